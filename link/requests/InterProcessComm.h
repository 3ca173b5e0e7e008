#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "link/requests/InterNotifications.h"

namespace kestrune {

// The message layer of the inter-process test channel: commands to lock, to switch the proximity
// function, to set the signal strength, status reports and a ping with its answer, one closure per
// command. A value of the wrong type runs nothing and is logged.
class InterProcessComm : public InterNotificationsDelegate {
public:
    InterProcessComm();

    static void ping();
    static void setKestruneOn(bool on);
    static void setMacLocked(bool locked);
    static void setLockUnlockRSSI(int64_t rssi);
    static void kestruneIsOnStatus(bool on);
    static void macIsLockedStatus(bool locked);
    void pong();

    void registerForMacLockCommand(std::function<void(bool)> callback) {
        fastLockCallback = std::move(callback);
    }
    void registerForKestruneCommand(std::function<void(bool)> callback) {
        kestruneCallback = std::move(callback);
    }
    void registerForLockUnlockRSSICommand(std::function<void(int64_t)> callback) {
        lockUnlockRSSICallback = std::move(callback);
    }
    void registerForPingReqeust(std::function<void()> callback) { pingRequest = std::move(callback); }
    void registerForPingCallback(std::function<void()> callback) { pingCallback = std::move(callback); }

    void interNotifications_didReeiveDiect(InterNotifications& transport,
                                           const platform::Value::Dictionary& message) override;

    std::unique_ptr<InterNotifications> interProcessNotification;
    std::function<void(bool)> fastLockCallback;
    std::function<void(bool)> kestruneCallback;
    std::function<void(int64_t)> lockUnlockRSSICallback;
    std::function<void()> pingRequest;
    std::function<void()> pingCallback;
};

// A responder on the channel: logs each command and answers pings.
class CommTest {
public:
    CommTest();
    void registerForCallbacks();

    std::unique_ptr<InterProcessComm> comm;
};

// Empty shells of a socket client; nothing uses them.
class SocketIO {
public:
    SocketIO(const std::string&, const platform::Value&) {}
    static std::unique_ptr<SocketIO> initWithSocketURL_options(const std::string& url,
                                                               const platform::Value& options) {
        return std::make_unique<SocketIO>(url, options);
    }
    void connect() {}
    void disconnect() {}
    bool isConnected() const { return false; }
    void emit_withItems(const std::string&, const platform::Value&) {}
    void emitWithAck_withItems_ack(const std::string&, const platform::Value&, std::function<void()>) {}
    void on_callback(const std::string&, std::function<void()>) {}
    void onAny(std::function<void()>) {}
    void onConnectionStateChange(std::function<void()>) {}
};

class KestruneSocketIO {
public:
    KestruneSocketIO() { createKestruneWebSocket(); }
    void createKestruneWebSocket() {}
};

}  // namespace kestrune
