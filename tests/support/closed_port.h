#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace papyr::test {

// A URL on a loopback port that nothing listens on (bound once by the
// system's choice, then released), so curl fails at once with "connection
// refused".
inline std::string closed_port_url(const std::string& scheme, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);  // NOLINT: the sockets API
    if (fd < 0 || ::bind(fd, generic, length) != 0 || ::getsockname(fd, generic, &length) != 0) {
        ADD_FAILURE() << "cannot find a free port";
    }
    ::close(fd);
    return scheme + "://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + path;
}

}  // namespace papyr::test
