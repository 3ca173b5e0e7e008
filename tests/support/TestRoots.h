#pragma once

#include <string>
#include <vector>

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
};

}  // namespace testsupport
