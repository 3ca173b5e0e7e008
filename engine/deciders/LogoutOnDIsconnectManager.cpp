#include "engine/deciders/LogoutOnDIsconnectManager.h"

#include "link/transport/DeviceSpecificConfig.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

LogoutOnDIsconnectManager::~LogoutOnDIsconnectManager() {
    cancelLogoutOnDisconnectProces();
}

void LogoutOnDIsconnectManager::startLogoutOnDisconnectProcess() {
    cancelLogoutOnDisconnectProces();
    std::weak_ptr<LogoutOnDIsconnectManager> weak = weak_from_this();
    logoutOnDisconnectTimer_ = platform::Timer::create(kDelaySeconds, false, [weak](platform::Timer& timer) {
        if (auto self = weak.lock()) self->logoutOnDisconnectTimerTriggered(timer);
    });
    platform::RunLoop::current().addTimer(logoutOnDisconnectTimer_);
}

void LogoutOnDIsconnectManager::cancelLogoutOnDisconnectProces() {
    if (logoutOnDisconnectTimer_) logoutOnDisconnectTimer_->invalidate();
    logoutOnDisconnectTimer_.reset();
}

void LogoutOnDIsconnectManager::logoutOnDisconnectTimerTriggered(platform::Timer&) {
    cancelLogoutOnDisconnectProces();
    if (delegate) delegate->logoutOnDisconnectManagerShouldLogout(*this);
}

bool LogoutOnDIsconnectManager::isPending() const {
    return logoutOnDisconnectTimer_ != nullptr;
}

void CustomAnimationHelper::finishKnockAnimation(std::function<void()> block) {
    if (!block) return;
    if (DeviceSpecificConfig::hasScreenOverlay() && knockTimestamp_.isSet() &&
        knockTimestamp_.secondsElapsedFromLastEvent() < 0.3) {
        platform::RunLoop::current().performAfterDelay(0.35, std::move(block));
        return;
    }
    block();
}

}  // namespace kestrune
