#pragma once

#include <string>

namespace kestrune {

// What the handshake layer of a phone connection tells the connection object that owns it. Calls come
// on the thread that drove the handshake (the Bluetooth queue for received texts).
class AuthConnectionDelegate {
public:
    virtual ~AuthConnectionDelegate() = default;

    // An application message arrived on an authenticated connection.
    virtual void didReceiveMessage(const std::string& message) = 0;
    // Send this whole text (framed and cut into chunks by the connection).
    virtual void executeSend_onPrimaryChannel(const std::string& text, bool primary) = 0;
    // The phone asked to disconnect.
    virtual void didReceiveDiconnectReqeust() = 0;
    // The phone's answer to the challenge arrived.
    virtual void didReceiveAuthRequest() = 0;
    virtual void didAuthenticate() = 0;
    virtual void authenticationFailed() = 0;
    // The two sides speak different protocol versions; true when this Mac's application must be updated.
    virtual void protocolVersionNotMatching(bool macMustUpdate) = 0;
    // The phone did not answer a keep-alive.
    virtual void canNotReceiveResponse() = 0;
    // Whether keep-alives make sense now.
    virtual bool allServicesDiscoveredAndUserAuthenticated() = 0;
};

}  // namespace kestrune
