#include "windows/history/LoginLogoutHistoryWindow.h"

#include "app/records/FailedLoginEntry.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/session/AuthorizationManager.h"
#include "features/history/LoginLogoutPresentationSessionEntry.h"
#include "features/history/LoginTrackerFactory.h"
#include "features/history/PresentationEntryFailedLogin.h"
#include "uikit/images/ImageTintColor.h"
#include "uikit/views/BackgroundColor.h"
#include "windows/history/TrackEventCellStyler.h"

namespace kestrune {

namespace {
// The filter bar where the line of text under the list would be.
const ui::Rect kFilterBarFrame{20, 62, 400, 34};

// Copies of the failed logins, newest first, for a reader on another thread. Main thread.
std::vector<std::shared_ptr<FailedLoginEntry>> copyOfFailedLogins() {
    std::vector<std::shared_ptr<FailedLoginEntry>> copies;
    auto data = DataManager::shared().applicationData();
    if (!data || !data->arrayOfFailedLogins()) return copies;
    for (const auto& held : *data->arrayOfFailedLogins()) {
        auto entry = std::dynamic_pointer_cast<FailedLoginEntry>(held);
        if (!entry) continue;
        auto copy = FailedLoginEntry::init();
        copy->setDate(entry->date());
        copy->setImagePath(entry->imagePath());
        copies.push_back(std::move(copy));
    }
    return copies;
}
}  // namespace

LoginLogoutHistoryWindow::~LoginLogoutHistoryWindow() {
    listViewArray_.clear();
    if (listView) listView->setDelegate(nullptr);
    listView.reset();
}

void LoginLogoutHistoryWindow::windowDidLoad() {
    KestruneListViewWindow::windowDidLoad();
    // The rows' texts are black: the list lies on a light ground.
    if (auto backdrop = listViewBackgroundView.lock())
        setBackgouroundColor_withAlpha(*backdrop, ui::Color::whiteColor(), 0.92);
    if (!listView) return;
    listView->setDelegate(sharedAs<LoginLogoutHistoryWindow>());
    std::weak_ptr<LoginLogoutHistoryWindow> weak = sharedAs<LoginLogoutHistoryWindow>();
    reloadDatasourceAndView([weak] {
        if (auto self = weak.lock())
            self->reloadDatasourceAndView([weak] {
                if (auto again = weak.lock()) again->scrollToLastRow();
            });
    });
}

void LoginLogoutHistoryWindow::reloadDatsourceWithCompletion(Block completion) {
    // Copies of the records, taken here on the main thread: the background reads nothing shared.
    auto history = LoginTrackerFactory().copyOfLoginLogoutEntries();
    auto failedLogins = copyOfFailedLogins();
    const LoginLogoutFilterModel filter = *filterModel_;
    std::weak_ptr<LoginLogoutHistoryWindow> weak = sharedAs<LoginLogoutHistoryWindow>();
    const uint64_t asked = ++reloadsAsked_;
    runInBackgroundAsync([weak, history = std::move(history), failedLogins = std::move(failedLogins), filter,
                          asked, completion = std::move(completion)] {
        auto rows = LoginLogoutFilter::generateDatasourceFromEntries_failedLoginEntried_filterModel(
            history, failedLogins, filter);
        // The rows are the window's once on the main thread, where the list reads them.
        runOnMainQueueAsync([weak, rows = std::move(rows), asked, completion] {
            auto self = weak.lock();
            if (!self) return;
            // The rows of a filter toggled since are not shown over those of the newer one.
            if (asked == self->reloadsAsked_) self->listViewArray_ = rows;
            if (completion) completion();
        });
    });
}

void LoginLogoutHistoryWindow::scrollToLastRow() {
    if (!listView || listViewArray_.empty()) return;
    const uint64_t last = listViewArray_.size() - 1;
    if (last >= 1) listView->scrollToRow(last);
}

void LoginLogoutHistoryWindow::showWindow(ui::Responder* sender) {
    KestruneListViewWindow::showWindow(sender);
    updateWindowView();
}

void LoginLogoutHistoryWindow::updateWindowView() {
    window();  // the outlets come with the window
    if (title) title->setStringValue(localizable("lock_unlock_history"));
    showInfoButton(true);
    filterModel_ = LoginLogoutFilterModel::init();
    // One filter bar: a window shown again gets a fresh one in place of the old.
    if (filterController_ && filterController_->isViewLoaded())
        filterController_->view()->removeFromSuperview();
    filterController_ = FilterController::create();
    filterController_->setFilterModel(filterModel_);
    filterController_->setDelegate(sharedAs<LoginLogoutHistoryWindow>());
    if (auto main = mainView(); main && filterController_->view()) {
        filterController_->view()->setFrame(kFilterBarFrame);
        main->addSubview(filterController_->view());
    }
    setBottomRightButtonTitle(std::nullopt);
    setBottomCenterButtonTitle(std::nullopt);
    if (bottomInfoTextField) bottomInfoTextField->setHidden(true);
}

void LoginLogoutHistoryWindow::filterControllerDidUpdateFilter(FilterController& controller) {
    filterModel_ = controller.filterModel();
    reloadDatasourceAndView();
}

void LoginLogoutHistoryWindow::didToggleButtonRightButton(ui::Control&) {
    deleteAllTrackEntries();
}

void LoginLogoutHistoryWindow::deleteAllTrackEntries() {
    std::weak_ptr<LoginLogoutHistoryWindow> weak = sharedAs<LoginLogoutHistoryWindow>();
    AuthorizationManager::authorize([weak](bool granted) {
        auto self = weak.lock();
        if (!self) return;
        if (granted) {
            if (auto data = DataManager::shared().applicationData()) data->removeAllLoginLogoutEntries();
            DataManager::shared().saveApplicationData();
            self->reloadDatasourceAndView();
        }
        self->showWindow();
    });
}

void LoginLogoutHistoryWindow::infoButtonToggled(ui::Control&) {
    if (auto d = delegate()) d->loginLogoutHistoryWindowDidSelectInfo(this);
}

uint64_t LoginLogoutHistoryWindow::numberOfRowsInListView(PXListView&) {
    return listViewArray_.size();
}

double LoginLogoutHistoryWindow::listView_heightOfRow(PXListView&, uint64_t) {
    return TrackEventCell::kRowHeight;
}

std::shared_ptr<PXListViewCell> LoginLogoutHistoryWindow::listView_cellForRow(PXListView& list,
                                                                              uint64_t row) {
    auto cell = std::dynamic_pointer_cast<TrackEventCell>(
        list.dequeueCellWithReusableIdentifier(TrackEventCell::kReuseIdentifier));
    if (cell) {
        if (cell->titleLabel) {
            cell->titleLabel->setStringValue("");
            cell->titleLabel->setTextColor(ui::Color::blackColor());
        }
        if (cell->dateText) cell->dateText->setTextColor(ui::Color::blackColor());
    } else {
        cell = TrackEventCell::loadFromNib();
    }
    if (!cell || row >= listViewArray_.size()) return cell;
    const auto& entry = listViewArray_[row];
    setBackgouroundColor(*cell, ui::Color::clearColor());
    if (cell->icon)
        cell->icon->setImage(imageTintedWithColor(
            ui::Image::imageNamed(PresentationEntry::iconNameForPresentationEvent(entry->presentationEvent)),
            ui::Color::blackColor()));
    if (auto session = std::dynamic_pointer_cast<LoginLogoutPresentationSessionEntry>(entry)) {
        TrackEventCellStyler::styleCell_forSessionEntry(*cell, *session);
    } else if (auto failed = std::dynamic_pointer_cast<PresentationEntryFailedLogin>(entry)) {
        if (failed->failedLoginEntry)
            TrackEventCellStyler::styleCell_forFailedLoginEntry(*cell, *failed->failedLoginEntry);
    } else if (auto event = std::dynamic_pointer_cast<LoginLogoutPresentationEntry>(entry)) {
        if (event->loginLogoutEntry)
            TrackEventCellStyler::styleCell_forLoginLogoutEntry(*cell, *event->loginLogoutEntry);
    }
    return cell;
}

void LoginLogoutHistoryWindow::listViewSelectionDidChange(const platform::Notification&) {
    if (!listView) return;
    // No selection reads as the list's no-row value, beyond every row.
    const uint64_t row = listView->selectedRow();
    if (row >= listViewArray_.size()) return;
    auto d = delegate();
    if (!d) return;
    const auto& entry = listViewArray_[row];
    if (auto failed = std::dynamic_pointer_cast<PresentationEntryFailedLogin>(entry)) {
        if (failed->failedLoginEntry && failed->failedLoginEntry->mugShotImageExists())
            d->loginLogoutHistoryWindow_didSelectFailedLoginEntry(this, failed->failedLoginEntry);
        return;
    }
    auto event = std::dynamic_pointer_cast<LoginLogoutPresentationEntry>(entry);
    if (event && event->loginLogoutEntry && event->loginLogoutEntry->mugShotImageExists())
        d->loginLogoutHistoryWindow_didSelectLoginLogoutEntry(this, event->loginLogoutEntry);
}

}  // namespace kestrune
