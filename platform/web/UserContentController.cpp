#include "platform/web/UserContentController.h"

#include "platform/base/Strings.h"

namespace platform {

void UserContentController::addScriptMessageHandler(const std::shared_ptr<ScriptMessageHandler>& handler,
                                                    const std::string& name) {
    std::lock_guard lock(mutex_);
    handlers_[name] = handler;
}

void UserContentController::addUserScript(UserScript script) {
    std::lock_guard lock(mutex_);
    scripts_.push_back(std::move(script));
}

std::vector<UserScript> UserContentController::userScripts() const {
    std::lock_guard lock(mutex_);
    return scripts_;
}

bool UserContentController::hasScriptMessageHandler(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = handlers_.find(name);
    return it != handlers_.end() && !it->second.expired();
}

bool UserContentController::postMessage(const std::string& name, const Value& body) const {
    std::shared_ptr<ScriptMessageHandler> handler;
    {
        std::lock_guard lock(mutex_);
        auto it = handlers_.find(name);
        if (it != handlers_.end()) handler = it->second.lock();
    }
    if (!handler) return false;
    handler->didReceiveScriptMessage(name, body);
    return true;
}

std::string WebViewConfiguration::description() const {
    return format("<WebViewConfiguration %p>", static_cast<const void*>(userContentController.get()));
}

}  // namespace platform
