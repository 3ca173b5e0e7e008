#include "features/notifications/KestruneNotificationManager.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/support/Localizable.h"
#include "platform/base/Log.h"

namespace kestrune {

const char* const kKestruneLockUnlockNotification = "kKestruneLockUnlockNotification";
const char* const kKestruneDetectedFaileLoginAttempt = "kKestruneDetectedFaileLoginAttempt";
const char* const kKestruneRegularMugshotSavedNotification = "kKestruneRegularMugshotSavedNotification";
const char* const kKestruneLockPasswordInsertedNotification = "kKestruneLockPasswordInsertedNotification";

namespace {
platform::UserNotificationCenter& center() {
    return platform::UserNotificationCenter::defaultCenter();
}
}  // namespace

platform::UserNotification KestruneNotificationManager::createAndShowNativeNotificationWithText_identifier(
    const std::string& text, const std::string& identifier) {
    hideNativeNotificationWithIdentifier(identifier);
    platform::UserNotification notification;
    notification.title = localizable("kestrune");
    notification.identifier = identifier;
    notification.informativeText = text;
    notification.soundName = "";
    platform::logf("Outcome: notification \"%s\"", text.c_str());
    return center().deliverNotification(std::move(notification));
}

platform::UserNotification KestruneNotificationManager::showPersistantNativeNotificationWithText_identifier(
    const std::string& text, const std::string& identifier) {
    return createAndShowNativeNotificationWithText_identifier(text, identifier);
}

platform::UserNotification
KestruneNotificationManager::showNativeNotificationWithText_identifier_hideAfterDelay(
    const std::string& text, const std::string& identifier, int64_t delay) {
    hideNativeNotificationWithIdentifier(identifier);
    auto notification = createAndShowNativeNotificationWithText_identifier(text, identifier);
    performStaticAfterDelay_staticBlock(static_cast<double>(delay),
                                        [notification] { hideNotification(notification); });
    return notification;
}

void KestruneNotificationManager::hideNativeNotificationWithIdentifier(
    const std::optional<std::string>& identifier) {
    if (!identifier) return;
    for (const auto& delivered : center().deliveredNotifications()) {
        if (delivered.identifier == *identifier) hideNotification(delivered);
    }
}

void KestruneNotificationManager::hideNotification(const platform::UserNotification& notification) {
    center().removeDeliveredNotification(notification);
}

}  // namespace kestrune
