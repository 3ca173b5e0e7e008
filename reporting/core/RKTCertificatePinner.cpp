#include "reporting/core/RKTCertificatePinner.h"

#include <openssl/err.h>
#include <openssl/x509.h>

#include <array>
#include <climits>
#include <string>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"

namespace reporting {

namespace {

// The roots, in their fixed order, by their resource names in the bundle's certificates folder.
constexpr std::array<const char*, 8> kPinnedCertificateNames = {
    "AddTrust_External_CA_Root",
    "Entrust_Root_Certification_Authority",
    "DigiCert_High_Assurance_EV_Root_CA",
    "VeriSign_Class_3_Public_Primary_Certification_Authority_-_G5",
    "VeriSign_Class_1_Public_Primary_Certification_Authority_-_G3",
    "VeriSign_Class_2_Public_Primary_Certification_Authority_-_G3",
    "VeriSign_Class_3_Public_Primary_Certification_Authority_-_G3",
    "VeriSign_Class_4_Public_Primary_Certification_Authority_-_G3",
};

}  // namespace

std::optional<platform::Data> RKTCertificatePinner::createCertificationWithData_length(const uint8_t* bytes,
                                                                                       size_t length) {
    if (!bytes || length == 0 || length > static_cast<size_t>(LONG_MAX)) return std::nullopt;
    const unsigned char* cursor = bytes;
    // Bytes that are no certificate leave the reasons on this thread's error queue, where they would stay
    // for the thread's life (the check runs on workers, inside handshakes): only they are taken off.
    ERR_set_mark();
    X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(length));
    const bool whole = certificate && cursor == bytes + length;
    X509_free(certificate);
    ERR_pop_to_mark();
    if (!whole) return std::nullopt;
    return platform::Data(bytes, length);
}

RKTCertificatePinner::RKTCertificatePinner(std::vector<platform::Data> certificates)
    : certificates_(std::move(certificates)) {}

int RKTCertificatePinner::evaluateTrust_result(const platform::ServerTrust& trust, int& result) const {
    if (certificates_.empty()) {
        result = platform::ServerTrust::Invalid;
        return kStatusSuccess;
    }
    // Setting the anchors fails when one is no certificate.
    for (const platform::Data& certificate : certificates_) {
        if (!createCertificationWithData_length(certificate.bytes(), certificate.size())) {
            result = platform::ServerTrust::FatalTrustFailure;
            return kStatusBadAnchor;
        }
    }
    const platform::ServerTrust::Result evaluated = trust.evaluateWithAnchors(certificates_, true);
    if (evaluated == platform::ServerTrust::Invalid) {
        result = platform::ServerTrust::Invalid;
        return kStatusUnreadableChain;
    }
    result = evaluated;
    return kStatusSuccess;
}

bool RKTCertificatePinner::handleChallenge_fromURLSession_completionHandler(
    const platform::ServerTrust& trust, CRKURLSession*,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) const {
    int result = platform::ServerTrust::Invalid;
    const int status = evaluateTrust_result(trust, result);
    const bool trusted = status == kStatusSuccess && (result == platform::ServerTrust::Proceed ||
                                                      result == platform::ServerTrust::Unspecified);
    if (!trusted)
        platform::logf("[ReportKit] the certificate chain of %s does not end in a pinned root: refused",
                       trust.host().c_str());
    if (completionHandler)
        completionHandler(trusted ? platform::AuthChallengeDisposition::UseCredential
                                  : platform::AuthChallengeDisposition::CancelChallenge);
    return trusted;
}

const std::vector<platform::Data>& RKTPinnedCertificates() {
    // Never destroyed: uploads on workers may still check a certificate while the process ends.
    static const auto& certificates = *new std::vector<platform::Data>([] {
        std::vector<platform::Data> loaded;
        std::string missing;
        for (const char* name : kPinnedCertificateNames) {
            const auto path = platform::Bundle::main().pathForResource(name, "der");
            const auto bytes = path ? platform::Files::read(*path) : std::nullopt;
            auto certificate = bytes ? RKTCertificatePinner::createCertificationWithData_length(
                                           bytes->bytes(), bytes->size())
                                     : std::nullopt;
            if (!certificate) {
                missing += (missing.empty() ? "" : ", ") + std::string(name);
                continue;
            }
            loaded.push_back(std::move(*certificate));
        }
        // A bundle without some of the files still pins the others: one line says which are left out.
        if (!missing.empty())
            platform::logf("[ReportKit] pinned root certificates not in the bundle, left out: %s",
                           missing.c_str());
        return loaded;
    }());
    return certificates;
}

}  // namespace reporting
