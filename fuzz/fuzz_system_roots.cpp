// A roots file (the system's bundle, or an entry of the certificate folder) is read from the disk whatever
// it holds. Its PEM blocks are read each on its own, and a certificate's subject hash is found by walking
// its outer DER elements alone: every certificate found must have the hash OpenSSL's own decoding gives
// it, and the walk must hold to the bytes given, read as a text and as DER bytes alike.
#include <openssl/err.h>
#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/base/Log.h"
#include "platform/net/SystemRoots.h"

namespace {

// Traps when OpenSSL decodes the bytes as a certificate whose subject hash is not the one found.
void agreesWithOpenSSL(std::string_view der, bool withTrustSettings, unsigned long found) {
    const auto* at = reinterpret_cast<const unsigned char*>(der.data());
    X509* decoded = withTrustSettings ? d2i_X509_AUX(nullptr, &at, static_cast<long>(der.size()))
                                      : d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    if (decoded && X509_subject_name_hash(decoded) != found) __builtin_trap();
    X509_free(decoded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const auto contents = platform::SystemRoots::readText(text);
    if (contents.certificates.size() + contents.revocationLists.size() + contents.unread > contents.blocks)
        __builtin_trap();
    for (const auto& certificate : contents.certificates)
        agreesWithOpenSSL(certificate.der, certificate.withTrustSettings, certificate.subjectHash);
    if (const auto hash = platform::SystemRoots::subjectHashOfDER(text))
        agreesWithOpenSSL(text, false, *hash);
    ERR_clear_error();
    return 0;
}
