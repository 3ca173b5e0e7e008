#pragma once

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ServerTrust.h"

namespace platform {

class URLConnection;

// What a delegate answers when the server's certificate chain is put to it. The numbers are the ones
// the reporting kit's trust handling passes around.
enum class AuthChallengeDisposition : int {
    UseCredential = 0,           // trust the chain (the delegate has evaluated it)
    PerformDefaultHandling = 1,  // trust it when the system's roots do
    CancelChallenge = 2,         // refuse; the transfer fails as cancelled
    RejectProtectionSpace = 3,   // refuse; the transfer fails as untrusted
};

// Receives the events of one URLConnection, on the thread that runs the transfer, in order: the server
// trust (TLS only), the response, data chunks, then exactly one of finished or failed. Every operation
// has an empty default, so a delegate implements only what it needs.
class URLConnectionDelegate {
public:
    virtual ~URLConnectionDelegate() = default;

    virtual AuthChallengeDisposition connection_didReceiveServerTrust(URLConnection&, const ServerTrust&) {
        return AuthChallengeDisposition::PerformDefaultHandling;
    }
    virtual void connection_didReceiveResponse(URLConnection&, const HTTPURLResponse&) {}
    virtual void connection_didReceiveData(URLConnection&, const Data&) {}
    virtual void connectionDidFinishLoading(URLConnection&) {}
    virtual void connection_didFailWithError(URLConnection&, const Error&) {}
};

}  // namespace platform
