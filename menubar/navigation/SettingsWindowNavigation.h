#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/coordinator/CoordinatorServices.h"
#include "menubar/navigation/KestruneMasterDetailNavManager.h"
#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The settings window's navigation as the coordinator drives it. Pages and screens made as view
// controllers cross the coordinator's interface as such; they are shown in the detail pane by the
// navigation manager. Until the master list and its page-manager factory exist, the pages the
// coordinator refreshes by name (devices, set-up, updates, translation) are kept here, and selecting the
// row of one of them opens it even though the master list has no such row.
class SettingsWindowNavigation : public SettingsNavigation {
public:
    void initWithDelegate(std::weak_ptr<NavigationDelegate> delegate) override;
    // The window must be a source-list window; another is left as it is, with a log line.
    void setup(const std::shared_ptr<platform::ui::Window>& window) override;
    void setFooterText(const std::string& text) override;
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
    ScreenController translationPage() override;

    const std::shared_ptr<KestruneMasterDetailNavManager>& navigationManager() const { return manager_; }
    // The page kept for a master row id ("devicesMenu", "setupMenu", "updatesMenu"), or null.
    std::shared_ptr<BaseMenuItemManager> pageForRow(const std::string& row) const;

private:
    // The page or screen as the detail pane takes it; null, with a log line, for another controller.
    static std::shared_ptr<BaseViewController> asPage(const ScreenController& controller);
    void show(const ScreenController& controller, const std::string& title, int64_t source, bool popToRoot);

    std::shared_ptr<KestruneMasterDetailNavManager> manager_;
    std::map<std::string, std::shared_ptr<BaseMenuItemManager>> pages_;
    std::shared_ptr<BaseMenuItemManager> translation_;
};

}  // namespace kestrune
