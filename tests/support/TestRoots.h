#pragma once

#include <openssl/x509.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/net/SystemRoots.h"
#include "tests/support/LoopbackServer.h"

namespace testsupport {

// Root certificates for tests of the system's roots, made here with OpenSSL, never committed.
struct TestRoots {
    // A root as PEM, with the hash of its subject as OpenSSL gives it.
    struct Root {
        std::string pem;
        unsigned long subjectHash;
    };
    // `count` distinct self-signed root authorities ("<prefix> 000000", "<prefix> 000001"...). They share
    // one key: a key for each would take minutes for twenty thousand.
    static std::vector<Root> distinct(size_t count, const std::string& prefix);
    // Writes a PEM certificate into a certificate folder under the name OpenSSL's folder lookup asks for:
    // the hash of its subject, then the first number not taken (".0", ".1"..., as `openssl rehash` names
    // roots whose subjects share a hash). Answers its path; empty when it could not be written.
    static std::string addToFolder(const std::string& folder, const std::string& pem);
    static std::string addToFolder(const std::string& folder, const Root& root);
    // The subject's root issued by another authority (cross-signed, as an old root vouches for a new one):
    // the same subject and key, the issuer's name, signed with the issuer's key. PEM; empty on failure.
    static std::string crossSigned(const LoopbackServer::Authority& subject,
                                   const LoopbackServer::Authority& issuer);

    // The certificate (PEM) with OpenSSL's trust settings: trusted for the uses `trustedFor` names,
    // rejected for those of `rejectedFor` (NIDs: NID_server_auth, NID_client_auth...), as `openssl x509
    // -addtrust ... -addreject ... -trustout` writes it, a "TRUSTED CERTIFICATE" block. Empty on failure.
    static std::string withTrustSettings(const std::string& pem, const std::vector<int>& trustedFor,
                                         const std::vector<int>& rejectedFor);
    // The hash of the subject of a certificate (PEM, with trust settings or without); 0 when it does not
    // read.
    static unsigned long subjectHashOf(const std::string& pem);
    // A root authority whose key is an RSA key of `bits` bits (too weak for a handshake's security level
    // at 512).
    static std::optional<LoopbackServer::Authority> rootWithRSAKey(const std::string& commonName, int bits);
    // How a TLS client's handshake judges a server's chain (DER, its own certificate first, as sent) with
    // the store's certificates, as the transfers have it judged: for a server's use (the purpose, and the
    // roots' trust settings for it), at the security level of a TLS context made by OpenSSL's
    // configuration, and allowing a chain to end at any certificate the store holds, as libcurl does.
    // "trusted", or "refused: " and OpenSSL's reason.
    static std::string handshakeVerdict(X509_STORE* store, const std::vector<platform::Data>& chain);
    // The same verdict with the system's roots a lookup of the store, as a transfer's check has them.
    static std::string handshakeVerdict(const platform::SystemRoots& roots,
                                        const std::vector<platform::Data>& chain);
};

}  // namespace testsupport
