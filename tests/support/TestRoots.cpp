#include "tests/support/TestRoots.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

namespace testsupport {

namespace {

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;

std::string pemOf(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    std::string pem;
    char* bytes = nullptr;
    if (bio && PEM_write_bio_X509(bio, certificate) == 1) {
        const long length = BIO_get_mem_data(bio, &bytes);
        if (length > 0) pem.assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(bio);
    return pem;
}

X509Ptr certificateOf(const std::string& pem) {
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509Ptr certificate(bio ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr);
    BIO_free(bio);
    return certificate;
}

// A certificate of either kind of block, its trust settings kept.
X509Ptr certificateWithTrustSettingsOf(const std::string& pem) {
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509Ptr certificate(bio ? PEM_read_bio_X509_AUX(bio, nullptr, nullptr, nullptr) : nullptr);
    BIO_free(bio);
    return certificate;
}

X509Ptr certificateOfDER(const platform::Data& der) {
    const unsigned char* at = der.bytes();
    return X509Ptr(d2i_X509(nullptr, &at, static_cast<long>(der.size())));
}

KeyPtr keyOf(const std::string& pem) {
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    KeyPtr key(bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr);
    BIO_free(bio);
    return key;
}

bool addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    const bool added = extension && X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

}  // namespace

// DER's length octets for a content of `length` bytes.
std::string lengthOctets(size_t length) {
    if (length < 0x80) return std::string(1, static_cast<char>(length));
    std::string octets;
    for (size_t rest = length; rest; rest >>= 8)
        octets.insert(octets.begin(), static_cast<char>(rest & 0xff));
    return static_cast<char>(0x80 | octets.size()) + octets;
}

std::string pemOfDER(const std::string& der) {
    std::string base64(4 * ((der.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()),
                        reinterpret_cast<const unsigned char*>(der.data()), static_cast<int>(der.size()));
    base64.resize(length > 0 ? static_cast<size_t>(length) : 0);
    std::string pem = "-----BEGIN CERTIFICATE-----\n";
    for (size_t at = 0; at < base64.size(); at += 64) pem += base64.substr(at, 64) + "\n";
    return pem + "-----END CERTIFICATE-----\n";
}

std::vector<TestRoots::Root> TestRoots::distinct(size_t count, const std::string& prefix) {
    // One root made by OpenSSL whose names end in a number of fixed width; each root is its body with the
    // number changed in both names (subject and issuer), signed anew. Made one by one, a certificate took
    // OpenSSL some hundreds of microseconds, most of it finding its algorithms again for each.
    const std::string placeholder(std::max<size_t>(6, std::to_string(count).size()), '0');
    KeyPtr key(EVP_EC_gen("P-256"));
    X509Ptr model(X509_new());
    if (!key || !model) return {};
    X509* certificate = model.get();
    const std::string name = prefix + " " + placeholder;
    X509_NAME* subject = X509_get_subject_name(certificate);
    const bool made =
        X509_set_version(certificate, 2) == 1 &&
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3600) &&
        X509_gmtime_adj(X509_getm_notAfter(certificate), 3600L * 24 * 30) &&
        X509_set_pubkey(certificate, key.get()) == 1 &&
        X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0) == 1 &&
        X509_set_issuer_name(certificate, subject) == 1 &&
        addExtension(certificate, certificate, NID_basic_constraints, "critical,CA:TRUE") &&
        addExtension(certificate, certificate, NID_key_usage, "critical,keyCertSign,cRLSign") &&
        X509_sign(certificate, key.get(), EVP_sha256()) > 0;
    if (!made) return {};
    unsigned char* bytes = nullptr;
    int length = i2d_re_X509_tbs(certificate, &bytes);
    std::string body =
        length > 0 ? std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(length)) : "";
    OPENSSL_free(bytes);
    const X509_ALGOR* algorithm = nullptr;
    X509_get0_signature(nullptr, &algorithm, certificate);
    bytes = nullptr;
    length = algorithm ? i2d_X509_ALGOR(algorithm, &bytes) : 0;
    const std::string signedWith =
        length > 0 ? std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(length)) : "";
    OPENSSL_free(bytes);
    const size_t issuerAt = body.find(name);
    const size_t subjectAt = issuerAt == std::string::npos ? issuerAt : body.find(name, issuerAt + 1);
    if (body.empty() || signedWith.empty() || subjectAt == std::string::npos) return {};

    std::unique_ptr<EVP_MD, void (*)(EVP_MD*)> sha256(EVP_MD_fetch(nullptr, "SHA256", nullptr), EVP_MD_free);
    std::unique_ptr<EVP_PKEY_CTX, void (*)(EVP_PKEY_CTX*)> signer(EVP_PKEY_CTX_new(key.get(), nullptr),
                                                                  EVP_PKEY_CTX_free);
    if (!sha256 || !signer || EVP_PKEY_sign_init(signer.get()) != 1) return {};
    std::vector<Root> roots;
    roots.reserve(count);
    const size_t digitsAt = name.size() - placeholder.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string number = std::to_string(i);
        const std::string digits = std::string(placeholder.size() - number.size(), '0') + number;
        body.replace(issuerAt + digitsAt, digits.size(), digits);
        body.replace(subjectAt + digitsAt, digits.size(), digits);
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int digestLength = 0;
        unsigned char signature[256];
        size_t signatureLength = sizeof signature;
        if (EVP_Digest(body.data(), body.size(), digest, &digestLength, sha256.get(), nullptr) != 1 ||
            EVP_PKEY_sign(signer.get(), signature, &signatureLength, digest, digestLength) != 1)
            return {};
        // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signatureValue BIT STRING }
        const std::string bits = '\0' + std::string(reinterpret_cast<char*>(signature), signatureLength);
        const std::string content = body + signedWith + '\x03' + lengthOctets(bits.size()) + bits;
        // The subject's hash, of the name alone (decoding the certificate would decode its key too).
        std::unique_ptr<X509_NAME, void (*)(X509_NAME*)> named(X509_NAME_new(), X509_NAME_free);
        const std::string numbered = prefix + " " + digits;
        if (!named || X509_NAME_add_entry_by_txt(named.get(), "CN", MBSTRING_ASC,
                                                 reinterpret_cast<const unsigned char*>(numbered.c_str()), -1,
                                                 -1, 0) != 1)
            return {};
        roots.push_back(
            {pemOfDER('\x30' + lengthOctets(content.size()) + content), X509_NAME_hash(named.get())});
    }
    return roots;
}

std::string TestRoots::addToFolder(const std::string& folder, const Root& root) {
    char hash[16];
    snprintf(hash, sizeof hash, "%08lx", root.subjectHash);
    for (int number = 0; number < 1000; ++number) {
        const std::string path = folder + "/" + hash + "." + std::to_string(number);
        struct stat taken {};
        if (lstat(path.c_str(), &taken) == 0) continue;
        std::ofstream file(path, std::ios::binary);
        file << root.pem;
        return file.flush() ? path : "";
    }
    return "";
}

std::string TestRoots::addToFolder(const std::string& folder, const std::string& pem) {
    const X509Ptr certificate = certificateOf(pem);
    return certificate ? addToFolder(folder, Root{pem, X509_subject_name_hash(certificate.get())}) : "";
}

std::string TestRoots::crossSigned(const LoopbackServer::Authority& subject,
                                   const LoopbackServer::Authority& issuer) {
    const X509Ptr issuing = certificateOf(issuer.certificatePEM);
    const KeyPtr issuerKey = keyOf(issuer.keyPEM);
    X509Ptr certificate = certificateOf(subject.certificatePEM);
    if (!issuing || !issuerKey || !certificate) return "";
    // Issued anew: the subject's name, key and extensions, the issuer's name and key identifier.
    const int keyIdentifier = X509_get_ext_by_NID(certificate.get(), NID_authority_key_identifier, -1);
    if (keyIdentifier >= 0) X509_EXTENSION_free(X509_delete_ext(certificate.get(), keyIdentifier));
    const bool made =
        X509_set_issuer_name(certificate.get(), X509_get_subject_name(issuing.get())) == 1 &&
        ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 77) == 1 &&
        addExtension(certificate.get(), issuing.get(), NID_authority_key_identifier, "keyid:always") &&
        X509_sign(certificate.get(), issuerKey.get(), EVP_sha256()) > 0;
    return made ? pemOf(certificate.get()) : "";
}

std::string TestRoots::withTrustSettings(const std::string& pem, const std::vector<int>& trustedFor,
                                         const std::vector<int>& rejectedFor) {
    const X509Ptr certificate = certificateOf(pem);
    if (!certificate) return "";
    for (const int use : trustedFor)
        if (X509_add1_trust_object(certificate.get(), OBJ_nid2obj(use)) != 1) return "";
    for (const int use : rejectedFor)
        if (X509_add1_reject_object(certificate.get(), OBJ_nid2obj(use)) != 1) return "";
    BIO* bio = BIO_new(BIO_s_mem());
    std::string written;
    char* bytes = nullptr;
    if (bio && PEM_write_bio_X509_AUX(bio, certificate.get()) == 1) {
        const long length = BIO_get_mem_data(bio, &bytes);
        if (length > 0) written.assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(bio);
    return written;
}

unsigned long TestRoots::subjectHashOf(const std::string& pem) {
    const X509Ptr certificate = certificateWithTrustSettingsOf(pem);
    return certificate ? X509_subject_name_hash(certificate.get()) : 0;
}

std::optional<LoopbackServer::Authority> TestRoots::rootWithRSAKey(const std::string& commonName, int bits) {
    KeyPtr key(EVP_RSA_gen(static_cast<unsigned int>(bits)));
    X509Ptr certificate(X509_new());
    if (!key || !certificate) return std::nullopt;
    X509* made = certificate.get();
    X509_NAME* subject = X509_get_subject_name(made);
    const bool signedWell =
        X509_set_version(made, 2) == 1 && ASN1_INTEGER_set(X509_get_serialNumber(made), 1) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(made), -3600) &&
        X509_gmtime_adj(X509_getm_notAfter(made), 3600L * 24 * 30) && X509_set_pubkey(made, key.get()) == 1 &&
        X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                                   0) == 1 &&
        X509_set_issuer_name(made, subject) == 1 &&
        addExtension(made, made, NID_basic_constraints, "critical,CA:TRUE") &&
        addExtension(made, made, NID_key_usage, "critical,keyCertSign,cRLSign") &&
        addExtension(made, made, NID_subject_key_identifier, "hash") &&
        X509_sign(made, key.get(), EVP_sha256()) > 0;
    BIO* keyText = BIO_new(BIO_s_mem());
    std::string keyPEM;
    char* bytes = nullptr;
    if (keyText && PEM_write_bio_PrivateKey(keyText, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1) {
        const long length = BIO_get_mem_data(keyText, &bytes);
        if (length > 0) keyPEM.assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(keyText);
    unsigned char* der = nullptr;
    const int length = i2d_X509(made, &der);
    platform::Data derData = length > 0 ? platform::Data(der, static_cast<size_t>(length)) : platform::Data();
    OPENSSL_free(der);
    const std::string pem = pemOf(made);
    if (!signedWell || keyPEM.empty() || pem.empty() || derData.empty()) return std::nullopt;
    return LoopbackServer::Authority{commonName, pem, keyPEM, derData};
}

namespace {

// A chain as a server sends it: its own certificate first, then the others, also as the stack a check
// takes them in.
struct SentChain {
    std::vector<X509Ptr> certificates;
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> others{
        sk_X509_new_null(), [](STACK_OF(X509) * s) { sk_X509_free(s); }};
    std::string failure;  // why it does not read, when it does not
};

SentChain sentChainOf(const std::vector<platform::Data>& chain) {
    SentChain read;
    if (chain.empty()) read.failure = "no chain";
    for (const auto& der : chain) {
        read.certificates.push_back(certificateOfDER(der));
        if (!read.certificates.back()) {
            read.failure = "a certificate of the chain does not read";
            break;
        }
        if (read.certificates.size() > 1) sk_X509_push(read.others.get(), read.certificates.back().get());
    }
    return read;
}

}  // namespace

std::string TestRoots::handshakeVerdict(X509_STORE* store, const std::vector<platform::Data>& chain) {
    static const int securityLevel = [] {
        SSL_CTX* context = SSL_CTX_new(TLS_client_method());
        const int level = context ? SSL_CTX_get_security_level(context) : -1;
        SSL_CTX_free(context);
        return level;
    }();
    if (securityLevel < 0) return "no TLS context";
    const SentChain read = sentChainOf(chain);
    if (!read.failure.empty()) return read.failure;
    const auto& certificates = read.certificates;
    const auto& sent = read.others;
    std::unique_ptr<X509_STORE_CTX, void (*)(X509_STORE_CTX*)> context(X509_STORE_CTX_new(),
                                                                       X509_STORE_CTX_free);
    if (!context || X509_STORE_CTX_init(context.get(), store, certificates[0].get(), sent.get()) != 1)
        return "no verification context";
    // As OpenSSL's handshake sets a client's check of its server up, and libcurl its store.
    X509_STORE_CTX_set_default(context.get(), "ssl_server");
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
    X509_VERIFY_PARAM_set_auth_level(parameters, securityLevel);
    X509_VERIFY_PARAM_set_flags(parameters, X509_V_FLAG_PARTIAL_CHAIN);
    const bool trusted = X509_verify_cert(context.get()) == 1;
    const std::string verdict =
        trusted ? "trusted"
                : std::string("refused: ") +
                      X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get()));
    ERR_clear_error();
    return verdict;
}

std::string TestRoots::handshakeVerdict(const platform::SystemRoots& roots,
                                        const std::vector<platform::Data>& chain) {
    const SentChain read = sentChainOf(chain);
    if (!read.failure.empty()) return read.failure;
    std::unique_ptr<X509_STORE, void (*)(X509_STORE*)> store(X509_STORE_new(), X509_STORE_free);
    if (!store || !roots.addLookupTo(store.get())) return "no store";
    return handshakeVerdict(store.get(), chain);
}

}  // namespace testsupport
