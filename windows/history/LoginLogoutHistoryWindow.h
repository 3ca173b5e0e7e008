#pragma once

#include <memory>
#include <vector>

#include "engine/coordinator/LoginLogoutHistoryWindowDelegate.h"
#include "features/history/LoginLogoutFilter.h"
#include "uikit/bases/KestruneListViewWindow.h"
#include "uikit/lists/PXListViewDelegate.h"
#include "windows/history/FilterController.h"

namespace kestrune {

// The lock/unlock history with the failed logins, oldest at the top, one row per item, and session
// rows between a start and its lock; a filter bar hides kinds of rows. The rows are built on a
// background queue from copies of the records and handed to the window on the main thread.
class LoginLogoutHistoryWindow : public KestruneListViewWindow,
                                 public PXListViewDelegate,
                                 public FilterControllerDelegate {
public:
    ~LoginLogoutHistoryWindow() override;

    // Becomes its list's delegate and reloads twice, the second time ending on the last row.
    void windowDidLoad() override;
    void reloadDatsourceWithCompletion(Block completion) override;
    void scrollToLastRow();
    // The base's showing, then the window's texts and a new, empty filter bar.
    void showWindow(ui::Responder* sender = nullptr) override;
    void updateWindowView() override;
    // The bottom right button: asks for an administrator, then empties the history.
    void didToggleButtonRightButton(ui::Control& sender) override;
    void deleteAllTrackEntries();
    void infoButtonToggled(ui::Control& sender) override;

    // The list's rows.
    bool implements(PXListViewDelegate::Op op) const override {
        return op == PXListViewDelegate::Op::SelectionDidChange;
    }
    uint64_t numberOfRowsInListView(PXListView& list) override;
    double listView_heightOfRow(PXListView& list, uint64_t row) override;
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) override;
    void listViewSelectionDidChange(const platform::Notification& notification) override;

    void filterControllerDidUpdateFilter(FilterController& controller) override;

    std::shared_ptr<LoginLogoutHistoryWindowDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<LoginLogoutHistoryWindowDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    const LoginLogoutFilter::Rows& listViewArray() const { return listViewArray_; }
    const std::shared_ptr<LoginLogoutFilterModel>& filterModel() const { return filterModel_; }
    const std::shared_ptr<FilterController>& filterController() const { return filterController_; }

private:
    std::weak_ptr<LoginLogoutHistoryWindowDelegate> delegate_;
    LoginLogoutFilter::Rows listViewArray_;
    // Reloads run on the pool and may finish out of order: only the last one asked for is adopted.
    uint64_t reloadsAsked_ = 0;
    std::shared_ptr<LoginLogoutFilterModel> filterModel_ = LoginLogoutFilterModel::init();
    std::shared_ptr<FilterController> filterController_;
};

}  // namespace kestrune
