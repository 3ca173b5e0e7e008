#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell/ThreadHelpers.h"
#include "link/handshake/AuthConnectionDelegate.h"
#include "link/handshake/AuthConnectionManager.h"
#include "link/message/ConnectionConstants.h"
#include "link/message/ConnectionData.h"
#include "link/message/FrameSender.h"
#include "link/message/FrameWriter.h"
#include "platform/base/DispatchQueue.h"
#include "platform/sim/SimulatedPhone.h"

namespace linktest {

// The Mac's side of one phone connection in memory, wired as the peripheral connection wires it:
// notifications and acknowledgements arrive on a Bluetooth serial queue, the receive buffers and the
// handshake run there, and what goes up to the connection's owner is lifted to the main thread. The
// chunks the framing writes go straight to the scripted phone; the phone's notifications come back
// through the Bluetooth queue. Without a phone, writes go nowhere (a phone that never answers).
class LinkTestConnection : public kestrune::AuthConnectionDelegate,
                           public kestrune::FrameWriter,
                           public std::enable_shared_from_this<LinkTestConnection> {
public:
    static std::shared_ptr<LinkTestConnection> create(std::shared_ptr<platform::SimulatedPhone> phone,
                                                      std::string peripheral = "PERIPHERAL-1") {
        auto connection =
            std::shared_ptr<LinkTestConnection>(new LinkTestConnection(phone, std::move(peripheral)));
        connection->manager_ = kestrune::AuthConnectionManager::create(connection);
        connection->sender_ = std::make_unique<kestrune::FrameSender>(connection);
        if (phone) {
            std::weak_ptr<LinkTestConnection> weak = connection;
            phone->setNotificationSink([weak](const platform::Data& chunk) {
                if (auto self = weak.lock()) self->notify(chunk);
            });
        }
        return connection;
    }

    // The subscription to the reading characteristic was confirmed: the Mac opens the handshake.
    void subscribed() {
        auto self = shared_from_this();
        queue_->async([self] { self->manager_->sendConnectionRequest(); });
    }
    // A value notified by the phone (or injected by whoever sits on the air).
    void notify(const platform::Data& chunk) {
        auto self = shared_from_this();
        queue_->async([self, chunk] {
            auto text = self->buffers_.generateStringWithReceivedDataforCharacteristic_forPeripheral(
                chunk, self->peripheral_);
            if (text) self->manager_->parseReveivedString(*text);
        });
    }
    void injectFrame(const platform::Data& frame) {
        for (size_t at = 0; at < frame.size(); at += 20)
            notify(*frame.subdata(at, std::min<size_t>(20, frame.size() - at)));
    }
    // The application sends a message (main thread).
    void sendString(const std::string& text, bool primary = true) {
        manager_->sendString_onPrimaryChannel(text, primary);
    }
    void setLinkConnected(bool connected) { linkConnected_ = connected; }

    kestrune::AuthConnectionManager& manager() { return *manager_; }
    kestrune::FrameSender& sender() { return *sender_; }
    kestrune::ConnectionData& buffers() { return buffers_; }

    // What reached the owner, in order ("message:<text>", "didAuthenticate", ...).
    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    bool hasEvent(const std::string& event) const {
        for (const auto& seen : events())
            if (seen == event) return true;
        return false;
    }
    std::vector<std::string> receivedMessages() const {
        std::vector<std::string> messages;
        for (const auto& event : events())
            if (event.rfind("message:", 0) == 0) messages.push_back(event.substr(8));
        return messages;
    }
    bool isAuthenticated() const { return authenticated_; }
    // Every chunk written, with its channel, in order.
    std::vector<std::pair<platform::Data, bool>> writtenChunks() const {
        std::lock_guard lock(mutex_);
        return written_;
    }

    // AuthConnectionDelegate
    void didReceiveMessage(const std::string& message) override {
        kestrune::runOnMainThreadSync([this, message] { record("message:" + message); });
    }
    void executeSend_onPrimaryChannel(const std::string& text, bool primary) override {
        sender_->executeSend_onPrimaryChannel(text, primary);
    }
    void didReceiveDiconnectReqeust() override { record("didReceiveDiconnectReqeust"); }
    void didReceiveAuthRequest() override {
        sender_->resetDataToSend();
        record("didReceiveAuthRequest");
    }
    void didAuthenticate() override {
        authenticated_ = true;
        record("didAuthenticate");
        manager_->didFullyConnect();
        kestrune::runOnMainThreadSync([this] { record("connectionDidConnect"); });
    }
    void authenticationFailed() override {
        authenticated_ = false;
        record("authenticationFailed");
    }
    void protocolVersionNotMatching(bool macMustUpdate) override {
        auto self = shared_from_this();
        kestrune::runOnMainQueueAsync([self, macMustUpdate] {
            self->record(std::string("protocolVersionNotMatching:") + (macMustUpdate ? "1" : "0"));
        });
    }
    void canNotReceiveResponse() override { record("canNotReceiveResponse"); }
    bool allServicesDiscoveredAndUserAuthenticated() override { return linkConnected_ && authenticated_; }

    // FrameWriter
    bool isLinkConnected() override { return linkConnected_; }
    bool hasSendingCharacteristic(bool) override { return true; }
    void writeChunk(const platform::Data& chunk, bool primary) override {
        {
            std::lock_guard lock(mutex_);
            written_.emplace_back(chunk, primary);
        }
        if (phone_)
            phone_->didReceiveWrite(
                primary ? kestrune::kCharacteristicSendingPrimary : kestrune::kCharacteristicSendingSecondary,
                chunk);
        if (primary) {
            auto self = shared_from_this();
            queue_->async([self] {
                self->sender_->didWriteValueForCharacteristic(kestrune::kCharacteristicSendingPrimary);
            });
        }
    }

private:
    LinkTestConnection(std::shared_ptr<platform::SimulatedPhone> phone, std::string peripheral)
        : phone_(std::move(phone)),
          peripheral_(std::move(peripheral)),
          queue_(platform::DispatchQueue::createSerial("test.bluetooth")) {}

    void record(const std::string& event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }

    std::shared_ptr<platform::SimulatedPhone> phone_;
    const std::string peripheral_;
    std::shared_ptr<platform::DispatchQueue> queue_;
    std::shared_ptr<kestrune::AuthConnectionManager> manager_;
    std::unique_ptr<kestrune::FrameSender> sender_;
    kestrune::ConnectionData buffers_;
    std::atomic<bool> linkConnected_{true};
    std::atomic<bool> authenticated_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::pair<platform::Data, bool>> written_;
};

}  // namespace linktest
