#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/records/BaseEntry.h"
#include "platform/base/Number.h"

namespace kestrune {

// One event of the lock/unlock history: what happened and who or what caused it, with the photo taken
// after an unlock when the user asked for one.
class LoginLogoutEntry : public BaseEntry {
public:
    static constexpr const char* kClassName = "LoginLogoutEntry";

    // Event codes.
    static constexpr uint32_t kEventStarted = 1;
    static constexpr uint32_t kEventUnlocked = 2;
    static constexpr uint32_t kEventLocked = 3;
    static constexpr uint32_t kEventQuit = 4;
    static constexpr uint32_t kEventPhotoTaken = 5;

    static std::shared_ptr<LoginLogoutEntry> init() { return std::make_shared<LoginLogoutEntry>(); }
    // No photo path.
    static std::shared_ptr<LoginLogoutEntry> initWithEvent_date_reason(uint32_t event, platform::Date date,
                                                                       uint32_t reason);

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;

    // Unsigned: what happened.
    const std::optional<platform::Number>& event() const { return event_; }
    void setEvent(std::optional<platform::Number> value) { event_ = std::move(value); }
    // Unsigned: who or what caused it.
    const std::optional<platform::Number>& responsible() const { return responsible_; }
    void setResponsible(std::optional<platform::Number> value) { responsible_ = std::move(value); }

    // Start, unlock and quit entries start a session; lock entries end one.
    bool isSessionStartingEntry() const;
    bool isSessionEndingEntry() const;
    // The event's text in the interface language; "" for an unknown event.
    std::string descriptionForTrackEvent() const;
    // How an unlock entry is shown: its text and its icon's image name, by the responsible code.
    std::string unlockDescription() const;
    std::string unlockIconImageName() const;

private:
    uint32_t eventCode() const;
    uint32_t responsibleCode() const;

    std::optional<platform::Number> event_;
    std::optional<platform::Number> responsible_;
};

}  // namespace kestrune
