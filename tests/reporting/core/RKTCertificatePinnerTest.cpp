#include "reporting/core/RKTCertificatePinner.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <iterator>

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

// The certificate's SHA-256 fingerprint as `openssl x509 -fingerprint -sha256` prints it.
std::string fingerprintOf(const Data& der) {
    const unsigned char* cursor = der.bytes();
    X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    std::string text;
    if (certificate && X509_digest(certificate, EVP_sha256(), digest, &length) == 1) {
        static const char kDigits[] = "0123456789ABCDEF";
        for (unsigned int i = 0; i < length; ++i) {
            if (i) text += ':';
            text += kDigits[digest[i] >> 4];
            text += kDigits[digest[i] & 0xf];
        }
    }
    X509_free(certificate);
    return text;
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
    // The eight roots the kit pins, as shipped: each file's subject, length and fingerprint.
    struct Root {
        const char* commonName;
        size_t length;
        const char* fingerprint;
    };
    const Root expected[] = {
        {"AddTrust External CA Root", 1082,
         "68:7F:A4:51:38:22:78:FF:F0:C8:B1:1F:8D:43:D5:76:67:1C:6E:B2:BC:EA:B4:13:FB:83:D9:65:D0:6D:2F:F2"},
        {"Entrust Root Certification Authority", 1173,
         "73:C1:76:43:4F:1B:C6:D5:AD:F4:5B:0E:76:E7:27:28:7C:8D:E5:76:16:C1:E6:E6:14:1A:2B:2C:BC:7D:8E:4C"},
        {"DigiCert High Assurance EV Root CA", 969,
         "74:31:E5:F4:C3:C1:CE:46:90:77:4F:0B:61:E0:54:40:88:3B:A9:A0:1E:D0:0B:A6:AB:D7:80:6E:D3:B1:18:CF"},
        {"VeriSign Class 3 Public Primary Certification Authority - G5", 1239,
         "9A:CF:AB:7E:43:C8:D8:80:D0:6B:26:2A:94:DE:EE:E4:B4:65:99:89:C3:D0:CA:F1:9B:AF:64:05:E4:1A:B7:DF"},
        {"VeriSign Class 1 Public Primary Certification Authority - G3", 1054,
         "CB:B5:AF:18:5E:94:2A:24:02:F9:EA:CB:C0:ED:5B:B8:76:EE:A3:C1:22:36:23:D0:04:47:E4:F3:BA:55:4B:65"},
        {"VeriSign Class 2 Public Primary Certification Authority - G3", 1053,
         "92:A9:D9:83:3F:E1:94:4D:B3:66:E8:BF:AE:7A:95:B6:48:0C:2D:6C:6C:2A:1B:E6:5D:42:36:B6:08:FC:A1:BB"},
        {"VeriSign Class 3 Public Primary Certification Authority - G3", 1054,
         "EB:04:CF:5E:B1:F3:9A:FA:76:2F:2B:B1:20:F2:96:CB:A5:20:C1:B9:7D:B1:58:95:65:B8:1C:B9:A1:7B:72:44"},
        {"VeriSign Class 4 Public Primary Certification Authority - G3", 1054,
         "E3:89:36:0D:0F:DB:AE:B3:D2:50:58:4B:47:30:31:4E:22:2F:39:C1:56:A0:20:14:4E:8D:96:05:61:79:15:06"},
    };
    const auto& pinned = reporting::RKTPinnedCertificates();
    EXPECT_EQ(&pinned, &reporting::RKTPinnedCertificates());  // read once
    ASSERT_EQ(pinned.size(), std::size(expected));
    for (size_t i = 0; i < pinned.size(); ++i) {
        SCOPED_TRACE(expected[i].commonName);
        EXPECT_EQ(commonNameOf(pinned[i]), expected[i].commonName);
        EXPECT_EQ(pinned[i].size(), expected[i].length);
        EXPECT_EQ(fingerprintOf(pinned[i]), expected[i].fingerprint);
    }
    // A test chain does not pass the shipped set.
    RKTCertificatePinner shipped(pinned);
    EXPECT_EQ(challenge(shipped, ServerTrust("127.0.0.1", chain)), AuthChallengeDisposition::CancelChallenge);
}
