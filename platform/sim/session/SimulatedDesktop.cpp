#include "platform/sim/session/SimulatedDesktop.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Window.h"

namespace platform {

namespace {
constexpr const char* kKeychainMenuExtra =
    "/Applications/Utilities/Keychain Access.app/Contents/Resources/Keychain.menu";
}  // namespace

// One client's handle on the login items: the items are the desktop's, the observers belong to it.
class SimulatedDesktop::List final : public LoginItemsList {
public:
    explicit List(std::shared_ptr<SimulatedDesktop> desktop) : desktop_(std::move(desktop)) {}
    ~List() override { removeAll(); }

    std::vector<LoginItem> snapshot() override {
        std::lock_guard lock(desktop_->mutex_);
        std::vector<LoginItem> out;
        for (const auto& item : desktop_->items_) out.push_back(LoginItem{item.identifier, item.path});
        return out;
    }
    void insertLast(const std::string& path) override {
        {
            std::lock_guard lock(desktop_->mutex_);
            desktop_->items_.push_back(Item{desktop_->nextIdentifier_++, path});
        }
        desktop_->changed();
    }
    void remove(uint64_t identifier) override {
        {
            std::lock_guard lock(desktop_->mutex_);
            std::erase_if(desktop_->items_, [&](const Item& i) { return i.identifier == identifier; });
        }
        desktop_->changed();
    }
    uint64_t addObserver(std::function<void()> observer) override {
        std::lock_guard lock(desktop_->mutex_);
        uint64_t id = desktop_->nextIdentifier_++;
        desktop_->observers_.push_back(Observer{id, this, std::move(observer)});
        return id;
    }
    void removeObserver(uint64_t observer) override {
        std::lock_guard lock(desktop_->mutex_);
        // An observer is removed only through the list object it was added on.
        std::erase_if(desktop_->observers_,
                      [&](const Observer& o) { return o.identifier == observer && o.list == this; });
    }

private:
    void removeAll() {
        std::lock_guard lock(desktop_->mutex_);
        std::erase_if(desktop_->observers_, [&](const Observer& o) { return o.list == this; });
    }
    std::shared_ptr<SimulatedDesktop> desktop_;
};

SimulatedDesktop::SimulatedDesktop(std::weak_ptr<SimulatedSession> session) : session_(std::move(session)) {}

void SimulatedDesktop::changed() {
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observers_) observers.push_back(o.function);
    }
    for (auto& o : observers) RunLoop::main().post(std::move(o));
}

void SimulatedDesktop::setAuthorizationCreationFails(bool fails) {
    std::lock_guard lock(mutex_);
    authorizationCreationFails_ = fails;
}

void SimulatedDesktop::queueAuthorizationAnswer(int32_t status) {
    std::lock_guard lock(mutex_);
    authorizationAnswers_.push_back(status);
}

void SimulatedDesktop::setDefaultAuthorizationAnswer(int32_t status) {
    std::lock_guard lock(mutex_);
    defaultAuthorizationAnswer_ = status;
}

std::vector<SimulatedDesktop::AuthorizationRequest> SimulatedDesktop::authorizationRequests() const {
    std::lock_guard lock(mutex_);
    return authorizationRequests_;
}

std::vector<std::vector<AuthorizationItem>> SimulatedDesktop::authorizationCreations() const {
    std::lock_guard lock(mutex_);
    return authorizationCreations_;
}

std::optional<uint64_t> SimulatedDesktop::createAuthorization(
    const std::vector<AuthorizationItem>& environment) {
    std::lock_guard lock(mutex_);
    authorizationCreations_.push_back(environment);
    if (authorizationCreationFails_) return std::nullopt;
    return nextAuthorization_++;
}

int32_t SimulatedDesktop::copyRights(uint64_t, const std::vector<AuthorizationItem>& rights,
                                     const std::vector<AuthorizationItem>& environment, uint32_t flags) {
    std::lock_guard lock(mutex_);
    authorizationRequests_.push_back(AuthorizationRequest{rights, environment, flags});
    if (authorizationAnswers_.empty()) return defaultAuthorizationAnswer_;
    int32_t answer = authorizationAnswers_.front();
    authorizationAnswers_.pop_front();
    return answer;
}

void SimulatedDesktop::freeAuthorization(uint64_t) {}

void SimulatedDesktop::setProcessTrusted(bool trusted) {
    std::lock_guard lock(mutex_);
    trusted_ = trusted;
}

std::vector<bool> SimulatedDesktop::trustQuestions() const {
    std::lock_guard lock(mutex_);
    return trustQuestions_;
}

bool SimulatedDesktop::isProcessTrusted(bool prompt) {
    std::lock_guard lock(mutex_);
    trustQuestions_.push_back(prompt);
    return trusted_;
}

void SimulatedDesktop::setLoginHelperRegistrationSucceeds(bool succeeds) {
    std::lock_guard lock(mutex_);
    loginHelperSucceeds_ = succeeds;
}

std::vector<std::pair<std::string, bool>> SimulatedDesktop::loginHelperRequests() const {
    std::lock_guard lock(mutex_);
    return loginHelperRequests_;
}

bool SimulatedDesktop::setLoginHelperEnabled(const std::string& bundleIdentifier, bool enabled) {
    std::lock_guard lock(mutex_);
    loginHelperRequests_.emplace_back(bundleIdentifier, enabled);
    return loginHelperSucceeds_;
}

std::vector<std::string> SimulatedDesktop::scripts() const {
    std::lock_guard lock(mutex_);
    return scripts_;
}

std::vector<std::string> SimulatedDesktop::openedURLs() const {
    std::lock_guard lock(mutex_);
    return urls_;
}

std::vector<std::pair<std::string, std::string>> SimulatedDesktop::alerts() const {
    std::lock_guard lock(mutex_);
    return alerts_;
}

bool SimulatedDesktop::executeAppleScript(const std::string& source) {
    std::lock_guard lock(mutex_);
    scripts_.push_back(source);
    return true;
}

bool SimulatedDesktop::openURL(const std::string& url) {
    std::lock_guard lock(mutex_);
    urls_.push_back(url);
    return true;
}

void SimulatedDesktop::runModalAlert(const std::string& message, const std::string& informativeText) {
    logf("SimulatedDesktop: alert \"%s\" (%s)", message.c_str(), informativeText.c_str());
    std::lock_guard lock(mutex_);
    alerts_.emplace_back(message, informativeText);
}

void SimulatedDesktop::setAlertAnswerer(AlertAnswerer answerer) {
    std::lock_guard lock(mutex_);
    alertAnswerer_ = std::move(answerer);
}

std::vector<SimulatedDesktop::AskingAlert> SimulatedDesktop::askingAlerts() const {
    std::lock_guard lock(mutex_);
    return askingAlerts_;
}

std::shared_ptr<ui::Window> SimulatedDesktop::shownAlertWindow() const {
    std::lock_guard lock(mutex_);
    return shownAlertWindow_;
}

void SimulatedDesktop::setApplicationIcon(std::shared_ptr<ui::Image> icon) {
    std::lock_guard lock(mutex_);
    applicationIcon_ = std::move(icon);
}

std::shared_ptr<ui::Window> SimulatedDesktop::windowForAlert(const std::string& message,
                                                             const std::string& informativeText,
                                                             const std::vector<std::string>& buttons) const {
    ui::Alert alert;
    alert.messageText = message;
    alert.informativeText = informativeText;
    alert.buttonTitles = buttons;
    {
        std::lock_guard lock(mutex_);
        alert.icon = applicationIcon_;
    }
    auto window = alert.makeWindow();
    window->center();
    return window;
}

std::optional<size_t> SimulatedDesktop::runModalAlertWithButtons(const std::string& message,
                                                                 const std::string& informativeText,
                                                                 const std::vector<std::string>& buttons) {
    AlertAnswerer answerer;
    {
        std::lock_guard lock(mutex_);
        answerer = alertAnswerer_;
    }
    // The alert is on screen until it is answered. It is not made key: the application's own windows
    // keep their state, which nothing here would give back to them afterwards.
    auto window = windowForAlert(message, informativeText, buttons);
    window->orderFront(nullptr);
    {
        std::lock_guard lock(mutex_);
        shownAlertWindow_ = window;
    }
    // Asked outside the lock: the answerer may look at the desktop, or act on the user's behalf.
    std::optional<size_t> answer = answerer ? answerer(message, buttons) : std::nullopt;
    if (answer && *answer >= buttons.size()) answer.reset();
    window->orderOut(nullptr);
    logf("SimulatedDesktop: alert \"%s\" (%s) answered %s", message.c_str(), informativeText.c_str(),
         answer ? ("\"" + buttons[*answer] + "\"").c_str() : "by nobody");
    std::lock_guard lock(mutex_);
    shownAlertWindow_.reset();
    askingAlerts_.push_back({message, informativeText, buttons, answer, window});
    return answer;
}

void SimulatedDesktop::setKeychainMenuExtraOffered(bool offered) {
    std::lock_guard lock(mutex_);
    menuExtraOffered_ = offered;
}

bool SimulatedDesktop::lockScreenFromMenuExtra(const std::string& bundlePath) {
    auto v = SystemVersion::currentParts();
    bool oldSystem = v.major < 10 || (v.major == 10 && v.minor < 13);
    {
        std::lock_guard lock(mutex_);
        // The menu extra's lock action went away with 10.13.
        if (!menuExtraOffered_ || !oldSystem || bundlePath != kKeychainMenuExtra) return false;
    }
    auto session = session_.lock();
    if (!session) return false;
    session->lock();
    return true;
}

void SimulatedDesktop::setLoginItemsAvailable(bool available) {
    std::lock_guard lock(mutex_);
    loginItemsAvailable_ = available;
}

std::vector<std::string> SimulatedDesktop::loginItemPaths() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& i : items_) out.push_back(i.path);
    return out;
}

void SimulatedDesktop::addLoginItem(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        items_.push_back(Item{nextIdentifier_++, path});
    }
    changed();
}

void SimulatedDesktop::removeLoginItem(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(items_, [&](const Item& i) { return i.path == path; });
    }
    changed();
}

size_t SimulatedDesktop::loginItemObserverCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}

std::shared_ptr<LoginItemsList> SimulatedDesktop::openSessionLoginItems() {
    {
        std::lock_guard lock(mutex_);
        if (!loginItemsAvailable_) return nullptr;
    }
    return std::make_shared<List>(shared_from_this());
}

}  // namespace platform
