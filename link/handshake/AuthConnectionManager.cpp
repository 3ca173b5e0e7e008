#include "link/handshake/AuthConnectionManager.h"

#include "app/shell/ThreadHelpers.h"
#include "app/support/Common.h"
#include "app/support/VersionVerifier.h"
#include "link/message/ConnectionConstants.h"
#include "link/message/KestruneMessageEncoderDecoder.h"
#include "link/message/MessageFactory.h"
#include "link/message/NMShortStringCoder.h"
#include "platform/base/Log.h"

namespace kestrune {

std::shared_ptr<AuthConnectionManager> AuthConnectionManager::create(
    std::weak_ptr<AuthConnectionDelegate> delegate) {
    return std::shared_ptr<AuthConnectionManager>(new AuthConnectionManager(std::move(delegate)));
}

AuthConnectionManager::AuthConnectionManager(std::weak_ptr<AuthConnectionDelegate> delegate)
    : delegate_(std::move(delegate)) {
    encoder_.setSeparator(MessageEncoderDecoder::kTransportSeparator);
    encoder_.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
}

AuthConnectionManager::~AuthConnectionManager() {
    // The run loop keeps scheduled timers alive; their callbacks hold only a weak reference to this
    // object, but stopping them spares the loop the useless firings.
    if (keepAliveTimer_) keepAliveTimer_->invalidate();
    if (keepAliveResponseTimer_) keepAliveResponseTimer_->invalidate();
}

std::shared_ptr<AuthConnectionDelegate> AuthConnectionManager::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

int32_t AuthConnectionManager::authStatus() const {
    std::lock_guard lock(mutex_);
    return authStatus_;
}

std::string AuthConnectionManager::authToken() const {
    std::lock_guard lock(mutex_);
    return authToken_;
}

std::string AuthConnectionManager::remoteUniqueIdentifier() const {
    std::lock_guard lock(mutex_);
    return remoteUniqueIdentifier_;
}

int64_t AuthConnectionManager::keepAliveInt() const {
    std::lock_guard lock(mutex_);
    return keepAliveInt_;
}

// Opening and sending ---------------------------------------------------------------------------------

void AuthConnectionManager::sendConnectionRequest() {
    std::string token = Common::randomStringWithLength(kAuthTokenLength);
    {
        std::lock_guard lock(mutex_);
        authStatus_ = kAuthStatusRequested;
        authToken_ = token;
        challengeVerified_ = false;
    }
    sendAuthRequest_payload(kCommandAuthInit,
                            AuthPayload::initWithVersion_identifier_challenge_solution(
                                kProtocolVersion, Common::uniqueAppIdentifier(), token, ""));
}

void AuthConnectionManager::sendAuthRequest_payload(const std::string& command,
                                                    const std::shared_ptr<AuthPayload>& payload) {
    auto message = MessageFactory::createMessage_payload(kTransportCommandRequest, payload);
    message->setRequestType(command);
    std::string text = encoder_.encodeMessage(*message);
    if (auto target = delegate()) target->executeSend_onPrimaryChannel(text, true);
}

void AuthConnectionManager::sendCommand_withString(const std::string& command, const std::string& response) {
    sendAuthRequest_payload(command, AuthPayload::initWithVersion_identifier_challenge_solution(
                                         kProtocolVersion, "", "", response));
}

void AuthConnectionManager::sendString_onPrimaryChannel(const std::string& text, bool primary) {
    if (authStatus() != kAuthStatusAuthenticated) return;
    auto message = MessageFactory::createMessage_payload(kTransportDataRequest, text);
    std::string wrapped = encoder_.encodeMessage(*message);
    if (auto target = delegate()) target->executeSend_onPrimaryChannel(wrapped, primary);
}

void AuthConnectionManager::sendShutDownNotification() {
    sendCommand_withString(kCommandShutDown, "");
}

// Receiving ---------------------------------------------------------------------------------------------

void AuthConnectionManager::didReceiveCompleteMessage() {
    if (responseTimerMayBePending_) invalidateKeepAliveResponseTimer();
    std::lock_guard lock(mutex_);
    responseTimestamp_.eventTriggered();
}

void AuthConnectionManager::parseReveivedString(const std::string& text) {
    didReceiveCompleteMessage();
    // Application data is refused before authentication without decoding it: its payload can be a
    // large archive, and a phone that has not proved itself must not cost the Bluetooth queue that work.
    auto parts = NMShortStringCoder::splitParts(text, encoder_.separator());
    if (parts.size() >= 2 && NMShortStringCoder::leadingInt32(parts[1]) == kTransportDataRequest &&
        authStatus() != kAuthStatusAuthenticated) {
        platform::logf("Handshake: application data before the connection was authenticated");
        authFailed();
        return;
    }
    auto message = encoder_.decodeMessage(text);
    int32_t request = message ? message->request() : 0;
    if (request == kTransportCommandRequest) {
        if (authStatus() == kAuthStatusNone) {
            platform::logf("Handshake: command \"%s\" before the connection request",
                           message->requestType().c_str());
            authFailed();
            return;
        }
        didReceiveCommand_withPayload(message->requestType(), message->payload().objectAs<AuthPayload>());
    } else if (request == kTransportDataRequest) {
        if (authStatus() != kAuthStatusAuthenticated) {
            platform::logf("Handshake: application data before the connection was authenticated");
            authFailed();
            return;
        }
        const std::string* inner = message->payload().string();
        if (!inner) {
            platform::logf("Handshake: application data without a message");
            return;
        }
        if (auto target = delegate()) target->didReceiveMessage(*inner);
    }
}

void AuthConnectionManager::didReceiveCommand_withPayload(const std::string& command,
                                                          const std::shared_ptr<AuthPayload>& payload) {
    if (command == kCommandAuthData) {
        didReceiveAuthResponseWithAuthPayload(payload ? payload : AuthPayload::init());
    } else if (command == kCommandAuthDataResponse) {
        bool verified;
        {
            std::lock_guard lock(mutex_);
            verified = challengeVerified_;
        }
        // The phone's acceptance means something only as the end of this connection's own exchange;
        // taken alone it could be a frame recorded from another connection.
        if (!verified) {
            platform::logf("Handshake: \"%s\" without a verified answer to this connection's challenge",
                           kCommandAuthDataResponse);
            authFailed();
            return;
        }
        authSuccess();
    } else if (command == kCommandShutDown) {
        if (auto target = delegate()) target->didReceiveDiconnectReqeust();
    } else if (command == kCommandKeepAliveRemote) {
        sendCommand_withString(kCommandKeepAliveResponse, "");
    }
}

void AuthConnectionManager::didReceiveAuthResponseWithAuthPayload(
    const std::shared_ptr<AuthPayload>& payload) {
    if (auto target = delegate()) target->didReceiveAuthRequest();
    bool matches;
    {
        std::lock_guard lock(mutex_);
        matches = !authToken_.empty() && payload->challengeResponse() == authToken_;
    }
    if (!matches) {
        platform::logf("Handshake: the phone's answer does not match the challenge");
        authFailed();
        return;
    }
    didReceiveAuthRequestWithAuthIdentifier(payload->identifier().value_or(""));
    sendCommand_withString(kCommandAuthData, payload->challenge().value_or(""));
    verifyAuthVersion(payload->protocolVersion().value_or(""));
}

void AuthConnectionManager::didReceiveAuthRequestWithAuthIdentifier(const std::string& identifier) {
    std::lock_guard lock(mutex_);
    remoteUniqueIdentifier_ = identifier;
    challengeVerified_ = true;
}

void AuthConnectionManager::verifyAuthVersion(const std::string& version) {
    if (VersionVerifier::version_isNewerThenVersion(kProtocolVersion, version)) {
        platform::logf("Handshake: the phone speaks the older protocol version %s", version.c_str());
        if (auto target = delegate()) target->protocolVersionNotMatching(false);
        startDisconnect();
    } else if (VersionVerifier::version_isNewerThenVersion(version, kProtocolVersion)) {
        platform::logf("Handshake: the phone speaks the newer protocol version %s", version.c_str());
        if (auto target = delegate()) target->protocolVersionNotMatching(true);
        startDisconnect();
    }
}

void AuthConnectionManager::authSuccess() {
    {
        std::lock_guard lock(mutex_);
        authStatus_ = kAuthStatusAuthenticated;
    }
    if (auto target = delegate()) target->didAuthenticate();
}

void AuthConnectionManager::authFailed() {
    startDisconnect();
    if (auto target = delegate()) target->authenticationFailed();
}

void AuthConnectionManager::startDisconnect() {
    cleanup();
    sendShutDownNotification();
    std::lock_guard lock(mutex_);
    authStatus_ = kAuthStatusNone;
    challengeVerified_ = false;
}

void AuthConnectionManager::preapareForDisconnect() {
    startDisconnect();
}

// Keep-alive --------------------------------------------------------------------------------------------

void AuthConnectionManager::didFullyConnect() {
    sendKeepAliveMessage();
}

void AuthConnectionManager::setKeepAliveInterval(int64_t seconds) {
    {
        std::lock_guard lock(mutex_);
        if (keepAliveInt_ == seconds) return;
        keepAliveInt_ = seconds;
    }
    sendKeepAliveMessage();
}

void AuthConnectionManager::sendKeepAliveMessage() {
    restartKeepAliveTimer();
    auto target = delegate();
    if (!target || !target->allServicesDiscoveredAndUserAuthenticated()) {
        invalidateKeepAliveTimer();
        return;
    }
    startKeepAliveResponseTimer();
    sendCommand_withString(kCommandKeepAlive, "");
}

void AuthConnectionManager::startKeepAliveTimer() {
    std::weak_ptr<AuthConnectionManager> weak = weak_from_this();
    double interval = static_cast<double>(keepAliveInt());
    runOnMainThreadSync([this, weak, interval] {
        keepAliveTimer_ = platform::Timer::scheduledTimer(interval, true, [weak](platform::Timer&) {
            if (auto self = weak.lock()) self->sendKeepAliveMessage();
        });
    });
}

void AuthConnectionManager::restartKeepAliveTimer() {
    invalidateKeepAliveTimer();
    startKeepAliveTimer();
}

void AuthConnectionManager::invalidateKeepAliveTimer() {
    runOnMainThreadSync([this] {
        if (keepAliveTimer_) keepAliveTimer_->invalidate();
        keepAliveTimer_.reset();
    });
}

void AuthConnectionManager::startKeepAliveResponseTimer() {
    std::weak_ptr<AuthConnectionManager> weak = weak_from_this();
    runOnMainThreadSync([this, weak] {
        if (keepAliveResponseTimer_ && keepAliveResponseTimer_->isValid()) return;
        responseTimerMayBePending_ = true;
        keepAliveResponseTimer_ =
            platform::Timer::scheduledTimer(kKeepAliveResponseTimeout, false, [weak](platform::Timer&) {
                if (auto self = weak.lock()) self->noResponseReceived();
            });
    });
}

void AuthConnectionManager::invalidateKeepAliveResponseTimer() {
    runOnMainThreadSync([this] {
        if (keepAliveResponseTimer_) keepAliveResponseTimer_->invalidate();
        keepAliveResponseTimer_.reset();
        responseTimerMayBePending_ = false;
    });
}

void AuthConnectionManager::noResponseReceived() {
    bool silent;
    {
        std::lock_guard lock(mutex_);
        silent = responseTimestamp_.moreSecondsElapsedSinceLastTrigger(kKeepAliveSilenceLimit);
    }
    if (!silent) return;
    invalidateKeepAliveResponseTimer();
    platform::logf("Handshake: no answer to the keep-alive");
    if (auto target = delegate()) target->canNotReceiveResponse();
}

void AuthConnectionManager::cleanup() {
    invalidateKeepAliveResponseTimer();
    invalidateKeepAliveTimer();
}

bool AuthConnectionManager::isKeepAliveTimerRunning() const {
    return keepAliveTimer_ && keepAliveTimer_->isValid();
}

bool AuthConnectionManager::isKeepAliveResponseTimerRunning() const {
    return keepAliveResponseTimer_ && keepAliveResponseTimer_->isValid();
}

}  // namespace kestrune
