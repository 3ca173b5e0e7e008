#include "features/notifications/NotificationsController.h"

#include "platform/base/SharedInstance.h"
#include "platform/storage/UserDefaults.h"

namespace kestrune {

NotificationsController& NotificationsController::shared() {
    static platform::SharedInstance<NotificationsController> instance;
    return instance.get([] { return new NotificationsController; });
}

bool NotificationsController::notificationOnLogin() {
    setDefaultValues();
    return platform::UserDefaults::standard()->boolForKey(kNotificationOnLoginKey);
}

void NotificationsController::setNotificationOnLogin(bool on) {
    auto defaults = platform::UserDefaults::standard();
    defaults->setObject_forKey(platform::Value(platform::Number(on)), kNotificationOnLoginKey);
    defaults->synchronize();
}

void NotificationsController::setDefaultValues() {
    platform::UserDefaults::standard()->registerDefaults({{kNotificationOnLoginKey, true}});
}

}  // namespace kestrune
