#include "news_server/tls_identity.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

#include "base/file_bytes.h"
#include "base/os_error.h"

namespace papyr::news_server {
namespace {

namespace fs = std::filesystem;

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

constexpr long kValidSeconds = 10L * 365 * 24 * 60 * 60;

std::optional<std::string> read_file(const fs::path& path) {
    return read_file_bytes(path);
}

Bio memory_of(const std::string& text) {
    return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

Certificate certificate_from(const std::string& pem) {
    Bio bio = memory_of(pem);
    return Certificate(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

Key key_from(const std::string& pem) {
    Bio bio = memory_of(pem);
    return Key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

std::string drain(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

std::string subject_alt_names(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        in6_addr probe{};
        const bool ip = ::inet_pton(AF_INET, name.c_str(), &probe) == 1 ||
                        ::inet_pton(AF_INET6, name.c_str(), &probe) == 1;
        if (!text.empty())
            text += ",";
        text += (ip ? "IP:" : "DNS:") + name;
    }
    return text;
}

bool add_extension(X509* certificate, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    const Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

bool set_random_serial(X509* certificate) {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return false;
    bytes[0] &= 0x7F;  // a positive number
    BIGNUM* number = BN_bin2bn(bytes, sizeof bytes, nullptr);
    if (number == nullptr)
        return false;
    const bool set = BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate)) != nullptr;
    BN_free(number);
    return set;
}

bool fill_certificate(X509* certificate, EVP_PKEY* key, const std::vector<std::string>& names) {
    X509_NAME* subject = X509_get_subject_name(certificate);
    const auto* common_name = reinterpret_cast<const unsigned char*>("papyr-server");  // NOLINT
    return X509_set_version(certificate, 2) == 1 && set_random_serial(certificate) &&
           X509_gmtime_adj(X509_getm_notBefore(certificate), -3600) != nullptr &&
           X509_gmtime_adj(X509_getm_notAfter(certificate), kValidSeconds) != nullptr &&
           X509_set_pubkey(certificate, key) == 1 &&
           X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC, common_name, -1, -1, 0) == 1 &&
           X509_set_issuer_name(certificate, subject) == 1 &&
           add_extension(certificate, NID_basic_constraints, "critical,CA:FALSE") &&
           add_extension(certificate, NID_subject_alt_name, subject_alt_names(names)) &&
           X509_sign(certificate, key, EVP_sha256()) > 0;
}

Result<TlsIdentity> make_identity(const std::vector<std::string>& names) {
    const Key key(EVP_EC_gen("P-256"));
    const Certificate certificate(X509_new());
    if (!key || !certificate || !fill_certificate(certificate.get(), key.get(), names))
        return fail("cannot make a TLS certificate (OpenSSL failed)");
    const Bio cert_out(BIO_new(BIO_s_mem()));
    const Bio key_out(BIO_new(BIO_s_mem()));
    if (!cert_out || !key_out || PEM_write_bio_X509(cert_out.get(), certificate.get()) != 1 ||
        PEM_write_bio_PrivateKey(key_out.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) !=
            1)
        return fail("cannot write the TLS certificate (OpenSSL failed)");
    TlsIdentity identity;
    identity.certificate_pem = drain(cert_out.get());
    identity.private_key_pem = drain(key_out.get());
    identity.created = true;
    return identity;
}

// Written through a temporary file with the given permission bits from the
// start (a key must never be readable by others, not even for a moment),
// flushed, and renamed over the target.
Result<void> write_private_file(const fs::path& path, const std::string& bytes, mode_t mode) {
    const fs::path temporary = path.string() + ".tmp-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return fail("cannot write " + temporary.string() + ": " + os_error_text(errno));
    bool written = ::fchmod(fd, mode) == 0;
    std::size_t done = 0;
    while (written && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
            done += static_cast<std::size_t>(n);
    }
    const int error = written ? 0 : errno;
    written = written && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int reported = error != 0 ? error : errno;
        ::unlink(temporary.c_str());
        return fail("cannot write " + path.string() + ": " + os_error_text(reported));
    }
    return {};
}

Result<TlsIdentity> kept_identity(const fs::path& cert_path, const fs::path& key_path) {
    std::optional<std::string> cert = read_file(cert_path);
    std::optional<std::string> key = read_file(key_path);
    if (!cert || !key)
        return fail("missing");
    if (auto pair = check_pair(*cert, *key); !pair)
        return fail(pair.error());
    TlsIdentity identity;
    identity.certificate_pem = std::move(*cert);
    identity.private_key_pem = std::move(*key);
    return identity;
}

}  // namespace

void init_openssl_without_config() {
    static const bool done = [] {
        OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
        OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_LOAD_SSL_STRINGS |
                             OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                         nullptr);
        return true;
    }();
    (void)done;
}

Result<void> check_pair(const std::string& certificate_pem, const std::string& private_key_pem) {
    init_openssl_without_config();
    const Certificate certificate = certificate_from(certificate_pem);
    if (!certificate)
        return fail("not a PEM certificate");
    const Key key = key_from(private_key_pem);
    if (!key)
        return fail("not a PEM private key");
    if (X509_check_private_key(certificate.get(), key.get()) != 1)
        return fail("the private key does not belong to the certificate");
    return {};
}

Result<TlsIdentity> ensure_certificate(const fs::path& folder,
                                       const std::vector<std::string>& subject_names) {
    init_openssl_without_config();
    const fs::path cert_path = folder / "cert.pem";
    const fs::path key_path = folder / "key.pem";
    if (auto kept = kept_identity(cert_path, key_path))
        return kept;

    const auto started = std::chrono::steady_clock::now();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return fail("cannot create " + folder.string() + ": " + error.message());
    ::chmod(folder.c_str(), 0700);
    auto identity = make_identity(subject_names);
    if (!identity)
        return identity;
    if (auto key = write_private_file(key_path, identity->private_key_pem, 0600); !key)
        return fail(key.error());
    if (auto cert = write_private_file(cert_path, identity->certificate_pem, 0644); !cert)
        return fail(cert.error());
    identity->creation_time = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    return identity;
}

Result<TlsIdentity> load_certificate(const fs::path& certificate, const fs::path& private_key) {
    init_openssl_without_config();
    std::optional<std::string> cert = read_file(certificate);
    if (!cert)
        return fail("cannot read " + certificate.string());
    std::optional<std::string> key = read_file(private_key);
    if (!key)
        return fail("cannot read " + private_key.string());
    if (auto pair = check_pair(*cert, *key); !pair)
        return fail(certificate.string() + ", " + private_key.string() + ": " + pair.error());
    TlsIdentity identity;
    identity.certificate_pem = std::move(*cert);
    identity.private_key_pem = std::move(*key);
    return identity;
}

}  // namespace papyr::news_server
