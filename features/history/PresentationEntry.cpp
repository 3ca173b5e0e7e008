#include "features/history/PresentationEntry.h"

namespace kestrune {

std::string PresentationEntry::iconNameForPresentationEvent(int32_t event) {
    switch (event) {
        case kEventStarted:
        case kEventQuit:
            return "started";
        case kEventUnlocked:
            return "unlocked";
        case kEventLocked:
            return "locked";
        case kEventSession:
            return "session_duration";
        case kEventFailedLogin:
            return "failed_login_attempt";
        default:
            return "";
    }
}

int PresentationEntry::compare(const PresentationEntry& other) const {
    if (date < other.date) return -1;
    return other.date < date ? 1 : 0;
}

}  // namespace kestrune
