#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "platform/sim/session/SimulatedSession.h"
#include "platform/system/KeyboardEvents.h"

// Passes the application's keys on to the session and then tells the test, counting key-downs: a test
// changes the session between two keys of the application (after one has landed and before the next is
// asked for).
class AfterKeyboard : public platform::KeyboardEvents {
public:
    AfterKeyboard(std::shared_ptr<platform::SimulatedSession> session, std::function<void(size_t)> after)
        : session_(std::move(session)), after_(std::move(after)) {}
    void postKeyEvent(const platform::KeyEvent& event) override {
        session_->postKeyEvent(event);
        if (!event.keyDown) after_(count_++);
    }
    std::optional<int64_t> hidIdleTimeNanoseconds() override { return session_->hidIdleTimeNanoseconds(); }

private:
    std::shared_ptr<platform::SimulatedSession> session_;
    std::function<void(size_t)> after_;
    std::atomic<size_t> count_{0};
};
