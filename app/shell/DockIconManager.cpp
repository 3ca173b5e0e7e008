#include "app/shell/DockIconManager.h"

#include "platform/system/Application.h"

namespace kestrune {

using platform::Application;

void DockIconManager::showDockIcon(bool show) {
    auto& app = Application::shared();
    auto wanted = show ? Application::ActivationPolicy::Regular : Application::ActivationPolicy::Accessory;
    if (app.activationPolicy() != wanted) app.setActivationPolicy(wanted);
}

void DockIconManager::setDockIconBouncing(bool bouncing) {
    auto& app = Application::shared();
    if (bouncing) {
        app.requestUserAttention(Application::RequestUserAttentionType::Critical);
    } else {
        app.cancelUserAttentionRequest(0);
    }
}

}  // namespace kestrune
