#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Event.h"

namespace platform::ui {

class Window;

// The interface side of the application: activation, ordered-in windows, key and main window, the
// current event, the event queue that modal loops read, and user settings the interface reads
// (full keyboard access, appearance, double-click interval). Opened URLs are recorded. Activation is
// the life-cycle application's (platform/system), so that there is one record of it.
class Application {
public:
    static Application& shared();

    bool isActive() const;
    void activateIgnoringOtherApps(bool flag);
    void deactivate();
    int activationCount() const;

    // Ordered-in windows, front first; the application holds them.
    const std::vector<std::shared_ptr<Window>>& orderedWindows() const { return ordered_; }
    std::vector<std::shared_ptr<Window>> windows() const;
    std::shared_ptr<Window> keyWindow() const { return key_.lock(); }
    std::shared_ptr<Window> mainWindow() const { return main_.lock(); }

    // The event being handled, or the last one delivered or read from the queue (none before the first).
    const Event* currentEvent() const { return current_ ? &*current_ : nullptr; }
    void setCurrentEvent(std::optional<Event> e) { current_ = std::move(e); }
    // Delivers an event to its window.
    void sendEvent(const Event& e);
    // The queue modal loops read; tests fill it.
    void postEvent_atStart(const Event& e, bool atStart);
    std::optional<Event> nextEventMatchingMask(uint64_t mask);
    size_t pendingEventCount() const { return queue_.size(); }
    void discardEventsMatchingMask(uint64_t mask);

    // Tells every visible window's delegate that the window was updated.
    void updateWindows();

    bool isFullKeyboardAccessEnabled() const { return fullKeyboardAccess_; }
    void setFullKeyboardAccessEnabled(bool flag) { fullKeyboardAccess_ = flag; }
    // "NSAppearanceNameAqua" or "NSAppearanceNameDarkAqua".
    const std::string& effectiveAppearanceName() const { return appearance_; }
    void setEffectiveAppearanceName(std::string name) { appearance_ = std::move(name); }
    double doubleClickInterval() const { return doubleClickInterval_; }
    void setDoubleClickInterval(double seconds) { doubleClickInterval_ = seconds; }

    // Opening a URL hands it to the desktop; here it is recorded and logged.
    bool openURL(const std::string& url);
    const std::vector<std::string>& openedURLs() const { return openedURLs_; }

    void resetForTesting();

    // Internal, for windows. The application resigns when the last of its windows that take the keyboard
    // (the panel included) leaves the screen: nothing of it is in front any more.
    void windowDidOrderIn(const std::shared_ptr<Window>& window);
    void windowDidOrderOut(Window* window);
    void setKeyWindow(const std::shared_ptr<Window>& window);
    void setMainWindow(const std::shared_ptr<Window>& window) { main_ = window; }
    void registerWindow(const std::shared_ptr<Window>& window);

private:
    Application() = default;
    bool resetting_ = false;
    std::vector<std::shared_ptr<Window>> ordered_;
    std::vector<std::weak_ptr<Window>> all_;
    std::weak_ptr<Window> key_;
    std::weak_ptr<Window> main_;
    std::optional<Event> current_;
    std::deque<Event> queue_;
    bool fullKeyboardAccess_ = false;
    std::string appearance_ = "NSAppearanceNameAqua";
    double doubleClickInterval_ = 0.5;
    std::vector<std::string> openedURLs_;
};

}  // namespace platform::ui
