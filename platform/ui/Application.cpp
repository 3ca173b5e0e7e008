#include "platform/ui/Application.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/system/Application.h"
#include "platform/ui/EventMonitor.h"
#include "platform/ui/Window.h"

namespace platform::ui {

Application& Application::shared() {
    static Application application;
    return application;
}

bool Application::isActive() const {
    return platform::Application::shared().isActive();
}

void Application::activateIgnoringOtherApps(bool flag) {
    platform::Application::shared().activateIgnoringOtherApps(flag);
}

int Application::activationCount() const {
    return platform::Application::shared().activationCount();
}

void Application::deactivate() {
    platform::Application::shared().deactivate();
}

std::vector<std::shared_ptr<Window>> Application::windows() const {
    std::vector<std::shared_ptr<Window>> out;
    for (const auto& w : all_)
        if (auto strong = w.lock()) out.push_back(strong);
    return out;
}

void Application::registerWindow(const std::shared_ptr<Window>& window) {
    std::erase_if(all_, [](const auto& w) { return w.expired(); });
    all_.push_back(window);
}

void Application::sendEvent(const Event& e) {
    // The application's local monitors see its events first and may swallow them.
    auto delivered = EventMonitor::runLocalMonitors(e);
    if (!delivered) return;
    if (auto w = delivered->windowPtr()) w->sendEvent(*delivered);
}

void Application::postEvent_atStart(const Event& e, bool atStart) {
    if (atStart)
        queue_.push_front(e);
    else
        queue_.push_back(e);
}

std::optional<Event> Application::nextEventMatchingMask(uint64_t mask) {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (!(mask & eventMaskFor(it->type))) continue;
        Event e = *it;
        queue_.erase(it);
        current_ = e;
        return e;
    }
    return std::nullopt;
}

void Application::discardEventsMatchingMask(uint64_t mask) {
    std::erase_if(queue_, [mask](const Event& e) { return (mask & eventMaskFor(e.type)) != 0; });
}

void Application::updateWindows() {
    for (const auto& w : std::vector<std::shared_ptr<Window>>(ordered_)) w->update();
}

bool Application::openURL(const std::string& url) {
    if (url.empty()) return false;
    openedURLs_.push_back(url);
    platform::logf("Application: open URL %s", url.c_str());
    return true;
}

void Application::windowDidOrderIn(const std::shared_ptr<Window>& window) {
    std::erase(ordered_, window);
    ordered_.insert(ordered_.begin(), window);
}

void Application::windowDidOrderOut(Window* window) {
    // The list may hold the last reference: keep the window alive until the call that ordered it out ends.
    auto it =
        std::find_if(ordered_.begin(), ordered_.end(), [window](const auto& w) { return w.get() == window; });
    if (it == ordered_.end()) return;
    auto keep = *it;
    ordered_.erase(it);
    if (key_.lock().get() == window) setKeyWindow(nullptr);
    if (main_.lock().get() == window) main_.reset();
    // Windows that never take the keyboard (the status item's, overlays) do not keep the application in
    // front.
    const bool inFront =
        std::any_of(ordered_.begin(), ordered_.end(), [](const auto& w) { return w->canBecomeKeyWindow(); });
    if (!inFront && !resetting_) deactivate();
}

void Application::setKeyWindow(const std::shared_ptr<Window>& window) {
    auto previous = key_.lock();
    if (previous == window) return;
    key_ = window;
    if (previous) previous->firstResponderNeedsDisplay();
    if (window) window->firstResponderNeedsDisplay();
    if (previous) {
        previous->resignKeyWindow();
        if (auto d = previous->delegate()) d->windowDidResignKey(*previous);
    }
    if (window) {
        window->becomeKeyWindow();
        if (auto d = window->delegate()) d->windowDidBecomeKey(*window);
    }
}

void Application::resetForTesting() {
    // Windows ordered out one by one, so that their views hear of it; the activation is the life-cycle
    // application's to reset, without notifications.
    resetting_ = true;
    for (const auto& w : std::vector<std::shared_ptr<Window>>(ordered_)) w->orderOut(nullptr);
    resetting_ = false;
    ordered_.clear();
    all_.clear();
    EventMonitor::resetForTesting();
    key_.reset();
    main_.reset();
    current_.reset();
    queue_.clear();
    fullKeyboardAccess_ = false;
    appearance_ = "NSAppearanceNameAqua";
    doubleClickInterval_ = 0.5;
    openedURLs_.clear();
}

}  // namespace platform::ui
