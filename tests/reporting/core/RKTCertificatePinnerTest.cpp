#include "reporting/core/RKTCertificatePinner.h"

#include <openssl/err.h>
#include <openssl/x509.h>

#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using platform::AuthChallengeDisposition;
using platform::Data;
using platform::ServerTrust;
using reporting::RKTCertificatePinner;
using testsupport::LoopbackServer;

namespace {

std::string commonNameOf(const Data& der) {
    const unsigned char* cursor = der.bytes();
    X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()));
    std::string name;
    if (certificate) {
        char buffer[256] = {};
        X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, buffer, sizeof(buffer));
        name = buffer;
    }
    X509_free(certificate);
    return name;
}

}  // namespace

class RKTCertificatePinnerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        root = LoopbackServer::makeRootAuthority("Pinner Root").value();
        other = LoopbackServer::makeRootAuthority("Other Root").value();
        chain = LoopbackServer::makeIdentitySignedBy(root, home() + "/tls").value().chainDER;
    }
    std::optional<AuthChallengeDisposition> challenge(const RKTCertificatePinner& pinner,
                                                      const ServerTrust& trust, bool* accepted = nullptr) {
        std::optional<AuthChallengeDisposition> answer;
        const bool result = pinner.handleChallenge_fromURLSession_completionHandler(
            trust, nullptr, [&](AuthChallengeDisposition d) { answer = d; });
        if (accepted) *accepted = result;
        return answer;
    }

    LoopbackServer::Authority root, other;
    std::vector<Data> chain;
};

TEST_F(RKTCertificatePinnerTest, OnlyAChainToAPinnedRootForTheRightHostPasses) {
    RKTCertificatePinner pinner({other.certificateDER, root.certificateDER});
    int result = -1;
    EXPECT_EQ(pinner.evaluateTrust_result(ServerTrust("127.0.0.1", chain), result), 0);
    EXPECT_EQ(result, ServerTrust::Proceed);
    bool accepted = false;
    EXPECT_EQ(challenge(pinner, ServerTrust("127.0.0.1", chain), &accepted),
              AuthChallengeDisposition::UseCredential);
    EXPECT_TRUE(accepted);

    EXPECT_EQ(challenge(pinner, ServerTrust("127.0.0.2", chain), &accepted),
              AuthChallengeDisposition::CancelChallenge);
    EXPECT_FALSE(accepted);
    // The leaf alone does not reach the root without its intermediate.
    EXPECT_EQ(challenge(pinner, ServerTrust("127.0.0.1", {chain[0]})),
              AuthChallengeDisposition::CancelChallenge);

    RKTCertificatePinner unpinned({other.certificateDER});
    EXPECT_EQ(unpinned.evaluateTrust_result(ServerTrust("127.0.0.1", chain), result), 0);
    EXPECT_EQ(result, ServerTrust::RecoverableTrustFailure);
    EXPECT_EQ(challenge(unpinned, ServerTrust("127.0.0.1", chain)),
              AuthChallengeDisposition::CancelChallenge);
}

TEST_F(RKTCertificatePinnerTest, NoCertificatesOrUnusableOnesRefuseEveryChain) {
    int result = -1;
    RKTCertificatePinner empty({});
    EXPECT_EQ(empty.evaluateTrust_result(ServerTrust("127.0.0.1", chain), result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(challenge(empty, ServerTrust("127.0.0.1", chain)), AuthChallengeDisposition::CancelChallenge);

    RKTCertificatePinner broken({root.certificateDER, Data::fromString("not a certificate")});
    EXPECT_NE(broken.evaluateTrust_result(ServerTrust("127.0.0.1", chain), result), 0);
    EXPECT_EQ(result, ServerTrust::FatalTrustFailure);
    EXPECT_EQ(challenge(broken, ServerTrust("127.0.0.1", chain)), AuthChallengeDisposition::CancelChallenge);

    RKTCertificatePinner pinned({root.certificateDER});
    EXPECT_NE(pinned.evaluateTrust_result(ServerTrust("127.0.0.1", {Data::fromString("garbage")}), result),
              0);
    EXPECT_EQ(challenge(pinned, ServerTrust("127.0.0.1", {})), AuthChallengeDisposition::CancelChallenge);
}

TEST_F(RKTCertificatePinnerTest, CertificatesAreMadeOnlyFromExactlyOneDERCertificate) {
    const Data& der = root.certificateDER;
    EXPECT_EQ(RKTCertificatePinner::createCertificationWithData_length(der.bytes(), der.size()), der);
    EXPECT_FALSE(RKTCertificatePinner::createCertificationWithData_length(der.bytes(), der.size() - 1));
    Data trailing = der;
    trailing.append("x");
    EXPECT_FALSE(RKTCertificatePinner::createCertificationWithData_length(trailing.bytes(), trailing.size()));
    EXPECT_FALSE(RKTCertificatePinner::createCertificationWithData_length(nullptr, 0));
    // What the refused bytes put on the thread's error queue is gone; an entry there before is kept.
    ERR_clear_error();
    ERR_raise(ERR_LIB_USER, 1);
    const unsigned long before = ERR_peek_last_error();
    EXPECT_FALSE(RKTCertificatePinner::createCertificationWithData_length(der.bytes(), der.size() - 1));
    EXPECT_EQ(ERR_peek_last_error(), before);
    ERR_clear_error();
}

TEST_F(RKTCertificatePinnerTest, TheShippedRootsAreThePublishedOnesInTheirOrder) {
    const auto& pinned = reporting::RKTPinnedCertificates();
    EXPECT_EQ(&pinned, &reporting::RKTPinnedCertificates());  // read once
    ASSERT_EQ(pinned.size(), 2u);
    EXPECT_EQ(commonNameOf(pinned[0]), "Entrust Root Certification Authority");
    EXPECT_EQ(pinned[0].size(), 1173u);
    EXPECT_EQ(commonNameOf(pinned[1]), "DigiCert High Assurance EV Root CA");
    EXPECT_EQ(pinned[1].size(), 969u);
    // A test chain does not pass the shipped set.
    RKTCertificatePinner shipped(pinned);
    EXPECT_EQ(challenge(shipped, ServerTrust("127.0.0.1", chain)), AuthChallengeDisposition::CancelChallenge);
}
