#include "releases/release_signature.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <array>
#include <optional>

namespace papyr::releases {
namespace {

// A static program on a console must verify the same way whatever
// /usr/lib/ssl holds there: OpenSSL reads no configuration file and loads no
// module from disk. (The service's TLS side makes the same choice for its
// own use; whichever comes first sets it up.)
void init_crypto_without_config() {
    static const bool done = OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr) == 1;
    (void)done;
}

constexpr std::size_t kSignatureBytes = 64;

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Pkey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;

std::optional<unsigned> base64_value(char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned>(c - 'A');
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned>(c - 'a' + 26);
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0' + 52);
    if (c == '+')
        return 62U;
    if (c == '/')
        return 63U;
    return std::nullopt;
}

// Standard base64 with padding; nothing else in between.
std::optional<std::string> decode_base64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (std::size_t i = 0; i < text.size() - padding; ++i) {
        const std::optional<unsigned> value = base64_value(text[i]);
        if (!value)
            return std::nullopt;
        buffer = (buffer << 6) | *value;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xFFU);
        }
    }
    return bytes;
}

}  // namespace

struct ReleaseKey::Key {
    Pkey pkey;
};

Result<ReleaseKey> ReleaseKey::from_pem(std::string_view pem) {
    init_crypto_without_config();
    const Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    Pkey pkey(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!pkey)
        return fail("not a PEM public key");
    if (EVP_PKEY_get_base_id(pkey.get()) != EVP_PKEY_ED25519)
        return fail("not an Ed25519 key");
    auto key = std::make_shared<Key>();
    key->pkey = std::move(pkey);
    return ReleaseKey(std::move(key));
}

bool ReleaseKey::verifies(std::string_view message, std::string_view signature) const {
    if (signature.size() != kSignatureBytes)
        return false;
    const DigestContext context(EVP_MD_CTX_new());
    // Ed25519 signs the message itself: no separate digest is named.
    if (!context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key_->pkey.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

Result<std::string> decode_signature_file(std::string_view text) {
    if (text.ends_with("\r\n"))
        text.remove_suffix(2);
    else if (text.ends_with('\n'))
        text.remove_suffix(1);
    if (text.empty())
        return fail("the signature file is empty");
    std::optional<std::string> bytes = decode_base64(text);
    if (!bytes)
        return fail("the signature file is not one line of base64");
    if (bytes->size() != kSignatureBytes)
        return fail("the signature file holds " + std::to_string(bytes->size()) +
                    " bytes, not an Ed25519 signature's 64");
    return *std::move(bytes);
}

std::string sha256_hex(std::string_view bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0x0F];
    }
    return hex;
}

bool is_sha256_hex(std::string_view text) {
    if (text.size() != 64)
        return false;
    for (const char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit)
            return false;
    }
    return true;
}

}  // namespace papyr::releases
