#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/DesktopServices.h"
#include "platform/system/SecurityServices.h"

namespace platform {

class SimulatedSession;
namespace ui {
class Image;
class Window;
}  // namespace ui

// The recording stand-ins of the simulated session's desktop: administrator authorization, the
// accessibility trust, the launch-at-login helper, scripts, opened URLs, alerts (an alert that asks is
// shown in a window of its own, which a picture can draw), the Keychain menu
// extra (which locks the session below 10.13 while it is offered) and the user's login items. Each
// records what it was asked and answers as a test scripted it.
class SimulatedDesktop : public SecurityServices,
                         public DesktopServices,
                         public std::enable_shared_from_this<SimulatedDesktop> {
public:
    struct AuthorizationRequest {
        std::vector<AuthorizationItem> rights;
        std::vector<AuthorizationItem> environment;
        uint32_t flags = 0;
    };

    explicit SimulatedDesktop(std::weak_ptr<SimulatedSession> session);

    // Authorization: creation may fail; each request takes the next queued answer, else the default.
    void setAuthorizationCreationFails(bool fails);
    void queueAuthorizationAnswer(int32_t status);
    void setDefaultAuthorizationAnswer(int32_t status);
    std::vector<AuthorizationRequest> authorizationRequests() const;
    std::vector<std::vector<AuthorizationItem>> authorizationCreations() const;

    void setProcessTrusted(bool trusted);
    // Trust questions asked, in order: true for each that asked the user.
    std::vector<bool> trustQuestions() const;

    void setLoginHelperRegistrationSucceeds(bool succeeds);
    std::vector<std::pair<std::string, bool>> loginHelperRequests() const;

    std::vector<std::string> scripts() const;
    std::vector<std::string> openedURLs() const;
    std::vector<std::pair<std::string, std::string>> alerts() const;
    // Alerts that ask, with their buttons and the index chosen (none: unanswered), in order. They are
    // answered by the answerer when one is set (it gets the message and the buttons), else not at all.
    // While it decides, the alert's window is on screen (shownAlertWindow); each alert keeps the window
    // it was shown in.
    struct AskingAlert {
        std::string message;
        std::string informativeText;
        std::vector<std::string> buttons;
        std::optional<size_t> answer;
        std::shared_ptr<ui::Window> window;
    };
    using AlertAnswerer = std::function<std::optional<size_t>(const std::string& message,
                                                              const std::vector<std::string>& buttons)>;
    void setAlertAnswerer(AlertAnswerer answerer);
    std::vector<AskingAlert> askingAlerts() const;
    // The window of the alert waiting for its answer; none when no alert waits.
    std::shared_ptr<ui::Window> shownAlertWindow() const;
    // The window the desktop shows an alert in (main thread): the message, the informative text and the
    // buttons, the first the default one, beside the application's icon when one is set.
    std::shared_ptr<ui::Window> windowForAlert(const std::string& message, const std::string& informativeText,
                                               const std::vector<std::string>& buttons) const;
    void setApplicationIcon(std::shared_ptr<ui::Image> icon);

    void setKeychainMenuExtraOffered(bool offered);

    // Login items as the user sees them in the system settings; changes by the user reach every
    // observer like changes by the application.
    void setLoginItemsAvailable(bool available);
    std::vector<std::string> loginItemPaths() const;
    void addLoginItem(const std::string& path);
    void removeLoginItem(const std::string& path);
    size_t loginItemObserverCount() const;

    // SecurityServices
    std::optional<uint64_t> createAuthorization(const std::vector<AuthorizationItem>& environment) override;
    int32_t copyRights(uint64_t authorization, const std::vector<AuthorizationItem>& rights,
                       const std::vector<AuthorizationItem>& environment, uint32_t flags) override;
    void freeAuthorization(uint64_t authorization) override;
    bool isProcessTrusted(bool prompt) override;
    bool setLoginHelperEnabled(const std::string& bundleIdentifier, bool enabled) override;

    // DesktopServices
    bool executeAppleScript(const std::string& source) override;
    bool openURL(const std::string& url) override;
    void runModalAlert(const std::string& message, const std::string& informativeText) override;
    std::optional<size_t> runModalAlertWithButtons(const std::string& message,
                                                   const std::string& informativeText,
                                                   const std::vector<std::string>& buttons) override;
    bool lockScreenFromMenuExtra(const std::string& bundlePath) override;
    std::shared_ptr<LoginItemsList> openSessionLoginItems() override;

private:
    class List;
    struct Item {
        uint64_t identifier;
        std::string path;
    };
    struct Observer {
        uint64_t identifier;
        const List* list;
        std::function<void()> function;
    };

    void changed();

    std::weak_ptr<SimulatedSession> session_;
    mutable std::mutex mutex_;
    bool authorizationCreationFails_ = false;
    std::deque<int32_t> authorizationAnswers_;
    int32_t defaultAuthorizationAnswer_ = kAuthorizationSuccess;
    std::vector<AuthorizationRequest> authorizationRequests_;
    std::vector<std::vector<AuthorizationItem>> authorizationCreations_;
    uint64_t nextAuthorization_ = 1;
    bool trusted_ = false;
    std::vector<bool> trustQuestions_;
    bool loginHelperSucceeds_ = true;
    std::vector<std::pair<std::string, bool>> loginHelperRequests_;
    std::vector<std::string> scripts_;
    std::vector<std::string> urls_;
    std::vector<std::pair<std::string, std::string>> alerts_;
    AlertAnswerer alertAnswerer_;
    std::vector<AskingAlert> askingAlerts_;
    std::shared_ptr<ui::Window> shownAlertWindow_;
    std::shared_ptr<ui::Image> applicationIcon_;
    bool menuExtraOffered_ = true;
    bool loginItemsAvailable_ = true;
    std::vector<Item> items_;
    std::vector<Observer> observers_;
    uint64_t nextIdentifier_ = 1;
};

}  // namespace platform
