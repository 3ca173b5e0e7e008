#pragma once

#include <cstdint>

namespace kestrune {

class ShortCutManager;

// A global hot key was used: 0 send the clipboard to the phone, 1 lock the Mac now.
class ShortCutManagerDelegate {
public:
    static constexpr int64_t kSendClipboard = 0;
    static constexpr int64_t kLockMac = 1;

    virtual ~ShortCutManagerDelegate() = default;
    virtual void shortCutManager_didSelectOption(ShortCutManager& manager, int64_t option) = 0;
};

}  // namespace kestrune
