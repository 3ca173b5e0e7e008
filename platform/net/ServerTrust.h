#pragma once

#include <string>
#include <vector>

#include "platform/base/Data.h"

namespace platform {

// The certificate chain a server presented during the TLS handshake, handed to whoever decides whether
// to trust it. Certificates are DER bytes, the server's own certificate first, then the intermediates
// in the order sent.
class ServerTrust {
public:
    // Outcome of an evaluation; the numbers are the ones callers that keep result codes store.
    enum Result : int {
        Invalid = 0,
        Proceed = 1,
        Unspecified = 4,
        RecoverableTrustFailure = 5,
        FatalTrustFailure = 6,
    };

    ServerTrust(std::string host, std::vector<Data> certificateChain)
        : host_(std::move(host)), chain_(std::move(certificateChain)) {}

    const std::string& host() const { return host_; }
    const std::vector<Data>& certificateChain() const { return chain_; }

    // Verifies the chain for a TLS server named host(), trusting the given root certificates (DER). With
    // anchorsOnly the system's own roots play no part, so only a chain ending in one of the anchors
    // passes. Without, the chain is judged as a transfer judges a chain it leaves to the system: the
    // roots' trust settings for a server's use count, a chain may end at an intermediate the roots hold,
    // and a key too weak for the handshake's security level is refused. Answers Proceed,
    // RecoverableTrustFailure (the chain does not verify), or Invalid when the chain or an anchor cannot
    // be read.
    Result evaluateWithAnchors(const std::vector<Data>& anchors, bool anchorsOnly) const;

private:
    std::string host_;
    std::vector<Data> chain_;
};

}  // namespace platform
