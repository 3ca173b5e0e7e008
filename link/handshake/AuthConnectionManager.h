#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/support/EventTimestamp.h"
#include "link/handshake/AuthConnectionDelegate.h"
#include "link/message/AuthPayload.h"
#include "link/message/MessageEncoderDecoder.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

// The handshake layer of one phone connection, between the framing (whole texts) and the application
// messages: it opens the connection with a challenge exchange and a protocol-version check, lets
// application messages through only once the phone has accepted, wraps outgoing messages as transport
// messages (request 112), answers and sends keep-alives and reports a phone that stops answering.
//
// Received texts are parsed on the Bluetooth queue and application data is sent from the main thread;
// the state is kept under a lock, and the keep-alive timers live on the main run loop and are only
// touched there (synchronously, from whichever thread asks).
class AuthConnectionManager : public std::enable_shared_from_this<AuthConnectionManager> {
public:
    enum AuthStatus : int32_t { kAuthStatusNone = 0, kAuthStatusRequested = 1, kAuthStatusAuthenticated = 2 };

    static constexpr int64_t kDefaultKeepAliveInterval = 45;
    // How long a keep-alive waits for any text, and how old the last text may be when it gives up.
    static constexpr double kKeepAliveResponseTimeout = 6.5;
    static constexpr double kKeepAliveSilenceLimit = 6.0;
    static constexpr int32_t kAuthTokenLength = 8;

    static std::shared_ptr<AuthConnectionManager> create(std::weak_ptr<AuthConnectionDelegate> delegate);
    ~AuthConnectionManager();

    // Operations used by the connection.
    void sendConnectionRequest();
    void parseReveivedString(const std::string& text);
    void sendString_onPrimaryChannel(const std::string& text, bool primary);
    void sendShutDownNotification();
    void preapareForDisconnect();
    void didFullyConnect();
    void setKeepAliveInterval(int64_t seconds);
    void cleanup();
    std::string remoteUniqueIdentifier() const;

    int32_t authStatus() const;
    std::string authToken() const;
    int64_t keepAliveInt() const;
    const MessageEncoderDecoder& encoder() const { return encoder_; }
    std::shared_ptr<AuthConnectionDelegate> delegate() const;

    // Inner steps.
    void startKeepAliveTimer();
    void restartKeepAliveTimer();
    void invalidateKeepAliveTimer();
    void startKeepAliveResponseTimer();
    void invalidateKeepAliveResponseTimer();
    void sendKeepAliveMessage();
    void noResponseReceived();
    void sendAuthRequest_payload(const std::string& command, const std::shared_ptr<AuthPayload>& payload);
    void sendCommand_withString(const std::string& command, const std::string& response);
    void didReceiveCommand_withPayload(const std::string& command,
                                       const std::shared_ptr<AuthPayload>& payload);
    void didReceiveAuthRequestWithAuthIdentifier(const std::string& identifier);
    void didReceiveAuthResponseWithAuthPayload(const std::shared_ptr<AuthPayload>& payload);
    void verifyAuthVersion(const std::string& version);
    void authSuccess();
    void authFailed();
    void startDisconnect();

    // Test support: whether the keep-alive timer and the reply timer are running (main thread).
    bool isKeepAliveTimerRunning() const;
    bool isKeepAliveResponseTimerRunning() const;

    AuthConnectionManager(const AuthConnectionManager&) = delete;
    AuthConnectionManager& operator=(const AuthConnectionManager&) = delete;

private:
    explicit AuthConnectionManager(std::weak_ptr<AuthConnectionDelegate> delegate);
    void didReceiveCompleteMessage();

    MessageEncoderDecoder encoder_;

    mutable std::mutex mutex_;
    std::weak_ptr<AuthConnectionDelegate> delegate_;
    int32_t authStatus_ = kAuthStatusNone;
    std::string authToken_;
    std::string remoteUniqueIdentifier_;
    // Set only when the phone's "aD!" answered the challenge of this connection's current "I!": the
    // phone's acceptance counts only after that.
    bool challengeVerified_ = false;
    int64_t keepAliveInt_ = kDefaultKeepAliveInterval;
    EventTimestamp responseTimestamp_;

    // Main thread only.
    std::shared_ptr<platform::Timer> keepAliveTimer_;
    std::shared_ptr<platform::Timer> keepAliveResponseTimer_;
    // Whether a reply timer may be pending: a received text hops to the main thread to stop it only
    // then, so that the Bluetooth queue does not wait for the main thread on every text.
    std::atomic<bool> responseTimerMayBePending_{false};
};

}  // namespace kestrune
