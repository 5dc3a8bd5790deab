#include "news_server/numeric_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The port of a numeric service text, or -1.
int port_of(const char* service) {
    if (service == nullptr || *service == '\0')
        return 0;
    long port = 0;
    for (const char* c = service; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return -1;
        port = port * 10 + (*c - '0');
        if (port > 65535)
            return -1;
    }
    return static_cast<int>(port);
}

// One entry with its address stored right behind it, freed in one go.
struct Entry {
    addrinfo info;
    sockaddr_storage address;
};

addrinfo* make_entry(int family, const addrinfo* hints) {
    auto* entry = static_cast<Entry*>(std::calloc(1, sizeof(Entry)));
    if (entry == nullptr)
        return nullptr;
    entry->info.ai_family = family;
    entry->info.ai_socktype =
        hints != nullptr && hints->ai_socktype != 0 ? hints->ai_socktype : SOCK_STREAM;
    entry->info.ai_protocol = hints != nullptr ? hints->ai_protocol : 0;
    entry->info.ai_addr = reinterpret_cast<sockaddr*>(&entry->address);  // NOLINT: sockets API
    return &entry->info;
}

}  // namespace

extern "C" int papyr_numeric_getaddrinfo(const char* node, const char* service,
                                         const addrinfo* hints, addrinfo** result) noexcept {
    *result = nullptr;
    const int port = port_of(service);
    if (port < 0)
        return EAI_SERVICE;
    const int wanted = hints != nullptr ? hints->ai_family : AF_UNSPEC;
    in_addr v4{};
    in6_addr v6{};
    int family = AF_UNSPEC;
    if (node == nullptr) {
        family = wanted == AF_INET6 ? AF_INET6 : AF_INET;
        v4.s_addr =
            htonl((hints != nullptr && (hints->ai_flags & AI_PASSIVE) != 0) ? INADDR_ANY
                                                                            : INADDR_LOOPBACK);
        v6 = (hints != nullptr && (hints->ai_flags & AI_PASSIVE) != 0) ? in6addr_any
                                                                       : in6addr_loopback;
    } else if (::inet_pton(AF_INET, node, &v4) == 1) {
        family = AF_INET;
    } else if (::inet_pton(AF_INET6, node, &v6) == 1) {
        family = AF_INET6;
    } else {
        return EAI_NONAME;  // a name: this stand-in resolves none
    }
    if (wanted != AF_UNSPEC && wanted != family)
        return EAI_FAMILY;
    addrinfo* info = make_entry(family, hints);
    if (info == nullptr)
        return EAI_MEMORY;
    if (family == AF_INET) {
        auto* address = reinterpret_cast<sockaddr_in*>(info->ai_addr);  // NOLINT: sockets API
        address->sin_family = AF_INET;
        address->sin_port = htons(static_cast<std::uint16_t>(port));
        address->sin_addr = v4;
        info->ai_addrlen = sizeof(sockaddr_in);
    } else {
        auto* address = reinterpret_cast<sockaddr_in6*>(info->ai_addr);  // NOLINT: sockets API
        address->sin6_family = AF_INET6;
        address->sin6_port = htons(static_cast<std::uint16_t>(port));
        address->sin6_addr = v6;
        info->ai_addrlen = sizeof(sockaddr_in6);
    }
    *result = info;
    return 0;
}

extern "C" void papyr_numeric_freeaddrinfo(addrinfo* list) noexcept {
    // make_entry's block starts with the addrinfo.
    std::free(list);  // NOLINT: allocated by calloc above
}

extern "C" int papyr_numeric_getnameinfo(const sockaddr* address, socklen_t length, char* host,
                                         socklen_t host_length, char* service,
                                         socklen_t service_length, int /*flags*/) noexcept {
    const void* bytes = nullptr;
    int port = 0;
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);  // NOLINT: sockets API
        bytes = &v4->sin_addr;
        port = ntohs(v4->sin_port);
    } else if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);  // NOLINT: sockets API
        bytes = &v6->sin6_addr;
        port = ntohs(v6->sin6_port);
    } else {
        return EAI_FAMILY;
    }
    if (host != nullptr && ::inet_ntop(address->sa_family, bytes, host, host_length) == nullptr)
        return EAI_OVERFLOW;
    if (service != nullptr) {
        const std::string text = std::to_string(port);
        if (text.size() + 1 > service_length)
            return EAI_OVERFLOW;
        std::memcpy(service, text.c_str(), text.size() + 1);
    }
    return 0;
}

namespace papyr::news_server {

std::optional<ListenAddress> parse_listen_address(std::string_view text) {
    std::string_view host;
    std::string_view port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || text.substr(close + 1, 1) != ":")
            return std::nullopt;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const std::string host_text(host);
    in_addr v4{};
    in6_addr v6{};
    const bool v6_host = ::inet_pton(AF_INET6, host_text.c_str(), &v6) == 1;
    if (!v6_host && ::inet_pton(AF_INET, host_text.c_str(), &v4) != 1)
        return std::nullopt;
    if (v6_host != text.starts_with('['))
        return std::nullopt;  // an IPv6 address needs its brackets
    if (port.empty() || port.size() > 5)
        return std::nullopt;
    const std::string port_text(port);
    const int number = port_of(port_text.c_str());
    if (number <= 0)
        return std::nullopt;
    return ListenAddress{host_text, number};
}

}  // namespace papyr::news_server
