#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/services/UserNotificationCenter.h"

namespace kestrune {

// Identifiers of the notifications someone acts on when clicked; the others carry "".
extern const char* const kKestruneLockUnlockNotification;
extern const char* const kKestruneDetectedFaileLoginAttempt;
extern const char* const kKestruneRegularMugshotSavedNotification;
extern const char* const kKestruneLockPasswordInsertedNotification;

// The application's user notifications on the default centre: titled with the product's name, silent
// (a catalogue entry that wants a sound plays it itself), at most one shown per identifier.
class KestruneNotificationManager {
public:
    // Hides every delivered notification with the identifier, then delivers the new one; answers it.
    static platform::UserNotification createAndShowNativeNotificationWithText_identifier(
        const std::string& text, const std::string& identifier);
    // Stays until the user or a later notification with the same identifier removes it.
    static platform::UserNotification showPersistantNativeNotificationWithText_identifier(
        const std::string& text, const std::string& identifier);
    // Removed again after the delay (seconds) on the calling thread's run loop: exactly this one, so a
    // newer notification that replaced it meanwhile stays.
    static platform::UserNotification showNativeNotificationWithText_identifier_hideAfterDelay(
        const std::string& text, const std::string& identifier, int64_t delay);
    // Nothing for none; else removes each delivered notification carrying exactly that identifier.
    static void hideNativeNotificationWithIdentifier(const std::optional<std::string>& identifier);
    static void hideNotification(const platform::UserNotification& notification);
};

}  // namespace kestrune
