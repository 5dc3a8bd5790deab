#pragma once

// Key pairs made at test time, and signatures made with them, as the
// release scripts make them with openssl.

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>
#include <string>
#include <string_view>

namespace papyr::test {

class TestKey {
  public:
    // "ED25519", or another kind without parameters ("X25519", "ED448").
    explicit TestKey(const char* kind = "ED25519")
        : pkey_(EVP_PKEY_Q_keygen(nullptr, nullptr, kind), EVP_PKEY_free) {}

    std::string public_pem() const {
        BIO* bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PUBKEY(bio, pkey_.get());
        return drain(bio);
    }
    std::string private_pem() const {
        BIO* bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PrivateKey(bio, pkey_.get(), nullptr, nullptr, 0, nullptr, nullptr);
        return drain(bio);
    }
    // The raw 64-byte signature.
    std::string sign(std::string_view message) const {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        EVP_MD_CTX_free);
        std::string signature(64, '\0');
        std::size_t length = signature.size();
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, pkey_.get());
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size());
        signature.resize(length);
        return signature;
    }
    // The signature file's text: base64 on one line.
    std::string signature_file(std::string_view message) const {
        return base64(sign(message)) + "\n";
    }

    static std::string base64(std::string_view raw) {
        std::string text(4 * ((raw.size() + 2) / 3) + 1, '\0');
        const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                           reinterpret_cast<const unsigned char*>(raw.data()),
                                           static_cast<int>(raw.size()));
        text.resize(static_cast<std::size_t>(length));
        return text;
    }

  private:
    static std::string drain(BIO* bio) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        std::string text(data, static_cast<std::size_t>(size));
        BIO_free(bio);
        return text;
    }
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey_;
};

}  // namespace papyr::test
