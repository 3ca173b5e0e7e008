#pragma once

#include <memory>
#include <string>

#include "engine/coordinator/CoordinatorServices.h"
#include "menubar/navigation/KestruneMasterDetailNavManager.h"
#include "menubar/pages/MenuManagerFactory.h"

namespace kestrune {

// The settings window's navigation and its pages as the coordinator drives them. Pages and screens made as
// view controllers cross the coordinator's interface as such; they are shown in the detail pane by the
// navigation manager. The page-manager factory makes every page and the master list; the pages the
// coordinator refreshes or opens by name are the factory's.
class SettingsWindowNavigation : public SettingsNavigation {
public:
    void initWithDelegate(std::weak_ptr<NavigationDelegate> delegate) override;
    // The window must be a source-list window; another is left as it is, with a log line.
    void setup(const std::shared_ptr<platform::ui::Window>& window) override;
    void setFooterText(const std::string& text) override;
    void setInitialListViewModelFromFactory() override;
    void selectRowId_completion(const std::string& row, std::function<void()> completion) override;
    void showDetailList_title_source_popToRoot(const ScreenController& list, const std::string& title,
                                               int64_t source, bool popToRoot) override;
    void showDetailController_title_source_popToRoot(const ScreenController& controller,
                                                     const std::string& title, int64_t source,
                                                     bool popToRoot) override;
    void pushDetailController(const ScreenController& controller) override;
    void pushDetailList(const ScreenController& list) override;
    void popViewModelAnimated(bool animated) override;
    void popToRootAnimated(bool animated) override;
    void pop() override;
    void updateDevicesPage() override;
    void updateSetupPage() override;
    void updateUpdatesPage() override;
    void showLockUnlockHistory() override;
    void showFailedLoginWindowWithEntry(const std::shared_ptr<platform::Object>& entry) override;
    void showManualSnapshotsWindowWithEntry(const std::shared_ptr<platform::Object>& entry) override;
    void showLoginEntriesWithSelectedEntry(const std::shared_ptr<platform::Object>& entry) override;
    ScreenController translationPage() override;

    const std::shared_ptr<KestruneMasterDetailNavManager>& navigationManager() const { return manager_; }
    const std::shared_ptr<MenuManagerFactory>& factory() const { return factory_; }

private:
    // The page or screen as the detail pane takes it; null, with a log line, for another controller.
    static std::shared_ptr<BaseViewController> asPage(const ScreenController& controller);
    void show(const ScreenController& controller, const std::string& title, int64_t source, bool popToRoot);

    std::shared_ptr<KestruneMasterDetailNavManager> manager_;
    std::shared_ptr<MenuManagerFactory> factory_;
};

}  // namespace kestrune
