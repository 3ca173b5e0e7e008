#include "features/notifications/KSAutoHideNotificationPresenter.h"

#include "features/notifications/KSSpecificNotificationManager.h"

namespace kestrune {

void KSAutoHideNotificationPresenter::showAutoHideNotificationWithText_identifier(
    const std::string& text, const std::string& identifier) {
    KSSpecificNotificationManager::showAutoHideNotificationWithText_identifier(text, identifier);
}

}  // namespace kestrune
