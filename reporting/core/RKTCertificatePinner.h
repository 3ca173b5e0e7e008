#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/base/Data.h"
#include "platform/net/ServerTrust.h"
#include "reporting/core/CRKURLSessionDelegate.h"

namespace reporting {

class CRKURLSession;

// Accepts a server only when its certificate chain, checked for the server's host name, ends in one of
// the given root certificates (DER); the system's own roots play no part.
class RKTCertificatePinner {
public:
    // Status values of a trust evaluation (0 is success).
    static constexpr int kStatusSuccess = 0;
    static constexpr int kStatusBadAnchor = -50;           // an anchor is no certificate
    static constexpr int kStatusUnreadableChain = -26275;  // the server's chain cannot be read

    // A certificate made from DER bytes; none when the bytes are not exactly one certificate.
    static std::optional<platform::Data> createCertificationWithData_length(const uint8_t* bytes,
                                                                            size_t length);

    explicit RKTCertificatePinner(std::vector<platform::Data> certificates);  // initWithCertificates:

    // Evaluates the chain against the certificates alone. Answers the status and sets `result` to the
    // evaluation's outcome (platform::ServerTrust::Result numbers): with no certificates, status 0 and
    // result 0 (nothing evaluated); with an unusable certificate, result 6 and a failing status.
    int evaluateTrust_result(const platform::ServerTrust& trust, int& result) const;
    // Completes the challenge with "use credential" and answers true when the chain passes (status 0,
    // result Proceed or Unspecified); otherwise cancels it and answers false.
    bool handleChallenge_fromURLSession_completionHandler(
        const platform::ServerTrust& trust, CRKURLSession* session,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) const;

    const std::vector<platform::Data>& certificates() const { return certificates_; }

private:
    const std::vector<platform::Data> certificates_;
};

// The kit's pinned root certificates, read once from the bundle's certificates folder, in their fixed
// order. A root whose file is missing or unreadable is left out (and logged once).
const std::vector<platform::Data>& RKTPinnedCertificates();

}  // namespace reporting
