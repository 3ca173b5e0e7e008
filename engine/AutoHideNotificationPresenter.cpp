#include "engine/AutoHideNotificationPresenter.h"

#include <mutex>

#include "platform/base/Log.h"

namespace kestrune {

namespace {
std::mutex gMutex;
std::shared_ptr<AutoHideNotificationPresenter> gPresenter;
}  // namespace

void AutoHideNotificationPresenter::install(std::shared_ptr<AutoHideNotificationPresenter> presenter) {
    std::lock_guard lock(gMutex);
    gPresenter = std::move(presenter);
}

void AutoHideNotificationPresenter::show(const std::string& text, const std::string& identifier) {
    std::shared_ptr<AutoHideNotificationPresenter> presenter;
    {
        std::lock_guard lock(gMutex);
        presenter = gPresenter;
    }
    if (presenter)
        presenter->showAutoHideNotificationWithText_identifier(text, identifier);
    else
        platform::logf("Notification not shown (no presenter): %s %s", identifier.c_str(), text.c_str());
}

}  // namespace kestrune
