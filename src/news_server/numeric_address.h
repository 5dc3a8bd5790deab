#pragma once

// Numeric-only stand-ins for the C library's getaddrinfo, freeaddrinfo and
// getnameinfo, which OpenSSL's static library refers to. The service only
// ever binds an address given as digits, so no name service is needed; and
// the console's static program must not link the C library's name service
// at all (it would load shared libraries at run time). The console build
// links these in place of the C library's (static_program.cpp).

#include <netdb.h>
#include <sys/socket.h>

#include <optional>
#include <string>
#include <string_view>

extern "C" {
int papyr_numeric_getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                              addrinfo** result) noexcept;
void papyr_numeric_freeaddrinfo(addrinfo* list) noexcept;
int papyr_numeric_getnameinfo(const sockaddr* address, socklen_t length, char* host,
                              socklen_t host_length, char* service, socklen_t service_length,
                              int flags) noexcept;
}

namespace papyr::news_server {

struct ListenAddress {
    std::string host;  // an IPv4 or IPv6 address in digits, without brackets
    int port = 0;
};

// "127.0.0.1:4548", "0.0.0.0:4548", "[::1]:4548"; nothing for names,
// missing or out-of-range ports and anything else.
[[nodiscard]] std::optional<ListenAddress> parse_listen_address(std::string_view text);

}  // namespace papyr::news_server
