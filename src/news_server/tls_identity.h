#pragma once

// The service's TLS certificate and private key: given by the user
// (--cert/--key), or a self-signed pair made on first start in the data
// folder, the key readable by its owner only.
//
// OpenSSL is set up never to read a configuration file or load modules from
// disk: a static program on a console must behave the same whatever
// /usr/lib/ssl holds there.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"

struct ssl_ctx_st;

namespace papyr::news_server {

// Call before any other OpenSSL use (the HTTP server calls it during static
// initialisation); later calls do nothing.
void init_openssl_without_config();

struct TlsIdentity {
    std::string certificate_pem;
    std::string private_key_pem;
    bool created = false;  // made by this start
    std::chrono::milliseconds creation_time{0};
    // Lines for the log: a key file others can read, a damaged pair replaced.
    std::vector<std::string> notices;
};

// The pair in `folder` ("cert.pem", "key.pem"), or a new one when either is
// missing or damaged (the old files are replaced, and a notice says so).
// `subject_names` are IP addresses and host names the certificate is for.
// An encrypted key is an error, never replaced: someone chose to encrypt it.
[[nodiscard]] Result<TlsIdentity> ensure_certificate(const std::filesystem::path& folder,
                                                     const std::vector<std::string>& subject_names);

// A pair the user gave; fails with a message when a file cannot be read,
// is no PEM certificate or key, the key is encrypted (a pass phrase is never
// asked for: the service starts unattended), or the key does not belong to
// the certificate.
[[nodiscard]] Result<TlsIdentity> load_certificate(const std::filesystem::path& certificate,
                                                   const std::filesystem::path& private_key);

// Whether the PEM texts are a certificate and the key that belongs to it.
[[nodiscard]] Result<void> check_pair(const std::string& certificate_pem,
                                      const std::string& private_key_pem);

// The message check_pair and the loaders give for a key that needs a pass
// phrase.
inline constexpr char kEncryptedKey[] =
    "the private key is encrypted, and papyr-server never asks for a pass phrase: give it the "
    "key unencrypted, readable by its own user only";

// The server's TLS: 1.2 and later, ECDHE key exchange only, no
// renegotiation, with this identity. False when OpenSSL refuses any of it.
[[nodiscard]] bool configure_server_context(ssl_ctx_st* context, const TlsIdentity& identity);

}  // namespace papyr::news_server
