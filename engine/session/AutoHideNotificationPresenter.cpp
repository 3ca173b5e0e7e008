#include "engine/session/AutoHideNotificationPresenter.h"

#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"

namespace kestrune {

void AutoHideNotificationPresenter::install(std::shared_ptr<AutoHideNotificationPresenter> presenter) {
    platform::backendSlot<AutoHideNotificationPresenter>().set(std::move(presenter));
}

void AutoHideNotificationPresenter::show(const std::string& text, const std::string& identifier) {
    if (auto presenter = platform::backendSlot<AutoHideNotificationPresenter>().get())
        presenter->showAutoHideNotificationWithText_identifier(text, identifier);
    else
        platform::logf("Notification not shown (no presenter): %s %s", identifier.c_str(), text.c_str());
}

}  // namespace kestrune
