#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "menubar/navigation/ListDetailViewModel.h"
#include "menubar/navigation/SettingsDetailViewController.h"
#include "menubar/navigation/SettingsMasterViewController.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"

namespace kestrune {

// The settings window's navigation: the master list of pages on the left and, on the right, a stack of
// pages of which the last is shown. Choosing a row of the master list makes its page the only one
// (sliding up or down as the selection moved); a page or screen inside the detail pane pushes over the
// current page (sliding in from the right), and Back pops (sliding in from the left).
class MasterDetailNavigationManager : public std::enable_shared_from_this<MasterDetailNavigationManager> {
public:
    using Page = std::shared_ptr<ListDetailViewModel>;
    static constexpr int64_t kSourceMasterList = 1;
    static constexpr int64_t kDirectionNone = 0;
    static constexpr int64_t kDirectionFromAbove = 1;
    static constexpr int64_t kDirectionFromBelow = 2;
    static constexpr int64_t kDirectionPush = 3;
    static constexpr int64_t kDirectionPop = 4;

    template <typename T = MasterDetailNavigationManager>
    static std::shared_ptr<T> create() {
        return std::make_shared<T>();
    }
    virtual ~MasterDetailNavigationManager() = default;

    // Frames the window (1095 × 575 at (200, 200), also its smallest size) and installs the two panes,
    // the master 245 points wide.
    void setup(const std::shared_ptr<WAYSourceListWindow>& window);
    void setFooterText(const std::string& text);
    // The master list's rows; the first is selected, which opens its page.
    void setInitialListViewModel(std::vector<std::shared_ptr<ListCellViewModel>> rows);
    void selectRowId_completion(const std::string& rowId, Block completion);
    void showDetailList_source(std::shared_ptr<BaseViewController> list, int64_t source);
    void showDetailController_source(std::shared_ptr<KSWindowController> controller, int64_t source);
    void addContentViewForDetailView_source(const Page& page, int64_t source);
    void addContentViewForDetailView_source_popToRoot(const Page& page, int64_t source, bool popToRoot);
    void pushViewModel(const Page& page);
    void pushViewModel_animated(const Page& page, bool animated);
    void replaceTopViewModel(const Page& page);
    void showRootViewModel(const Page& page);
    void popViewModel();
    void pop();
    void popViewModelAnimated(bool animated);
    void popToRootAnimated(bool animated);
    void popToRootView();
    void pushAndPopIfNeeded_animted(const Page& page, bool animated);
    bool containsDetailView(const Page& page) const;
    void presentViewModel_animationDirection(const Page& page, int64_t direction);
    int64_t animationDirectionForSource(int64_t source) const;
    int64_t animationDirectionForList(const KestruneListView& list) const;
    bool stackHasOnlyRootController() const;
    void updateTitle(const Page& page);
    void updateBackButton();
    // The shown page handles Back itself, or it is popped.
    void backToggled();

    const std::shared_ptr<WAYSourceListWindow>& splitWindow() const { return splitWindow_; }
    const std::shared_ptr<SettingsMasterViewController>& master() const { return master_; }
    const std::shared_ptr<SettingsDetailViewController>& detail() const { return detail_; }
    const std::vector<Page>& viewModelStack() const { return viewModelStack_; }

private:
    // The first page of the stack equal to the given one, or the stack's end.
    std::vector<Page>::const_iterator find(const Page& page) const;

    std::shared_ptr<WAYSourceListWindow> splitWindow_;
    std::shared_ptr<SettingsMasterViewController> master_;
    std::shared_ptr<SettingsDetailViewController> detail_;
    std::vector<Page> viewModelStack_;
};

}  // namespace kestrune
