#pragma once

// What makes a release trustworthy: an Ed25519 signature by the project's
// release key over the manifest's exact bytes, and the package's SHA-256,
// which the signed manifest names. OpenSSL 3 does the cryptography.

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"

namespace papyr::releases {

// An Ed25519 public key, ready to verify with. Copies share the key.
class ReleaseKey {
  public:
    // From PEM text ("-----BEGIN PUBLIC KEY-----"). Fails for anything but
    // one Ed25519 public key: another kind of key, a private key, damaged
    // text.
    [[nodiscard]] static Result<ReleaseKey> from_pem(std::string_view pem);

    // Whether `signature` (the raw 64 bytes) is this key's signature of
    // exactly `message`.
    [[nodiscard]] bool verifies(std::string_view message, std::string_view signature) const;

  private:
    struct Key;
    explicit ReleaseKey(std::shared_ptr<const Key> key) : key_(std::move(key)) {}
    std::shared_ptr<const Key> key_;
};

// The raw signature from the text of a signature file: base64 (standard
// alphabet, with its padding) of 64 bytes on one line, a line feed (or CR LF)
// after it allowed. Anything else fails with a short reason.
[[nodiscard]] Result<std::string> decode_signature_file(std::string_view text);

// Lowercase hexadecimal SHA-256 of the bytes.
[[nodiscard]] std::string sha256_hex(std::string_view bytes);

// Whether the text is a SHA-256 in hexadecimal: 64 digits, either case.
[[nodiscard]] bool is_sha256_hex(std::string_view text);

}  // namespace papyr::releases
