#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/Date.h"

namespace kestrune {

// One row of the history window: when (its sort key), what kind, its text and its icon.
class PresentationEntry {
public:
    // Kinds of rows.
    static constexpr int32_t kEventStarted = 0;
    static constexpr int32_t kEventUnlocked = 1;
    static constexpr int32_t kEventLocked = 2;
    static constexpr int32_t kEventSession = 3;
    static constexpr int32_t kEventFailedLogin = 4;
    static constexpr int32_t kEventQuit = 5;

    virtual ~PresentationEntry() = default;

    // The icon's image name of a kind of row; "" for an unknown kind.
    static std::string iconNameForPresentationEvent(int32_t event);
    // Negative, zero or positive as this row's date is before, equal to or after the other's.
    int compare(const PresentationEntry& other) const;

    platform::Date date;
    int32_t presentationEvent = 0;
    std::string presentationText;
    std::string presentationIconName;
};

}  // namespace kestrune
