// The history window (rows built off the main thread, cells by kind, the filter bar, selection only of
// rows with a photo, deleting the history) and the activity chart (days as columns, bars by minute, no
// grid without sessions, a new chart for each request).

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engine/coordinator/ActivityControllerFactory.h"
#include "features/history/PresentationEntryFailedLogin.h"
#include "tests/windows/RecordWindowsFixture.h"
#include "windows/history/ActivityChartFactory.h"
#include "windows/history/ActivityVizualizationController.h"
#include "windows/history/CNCustomActivityDayViewItem.h"
#include "windows/history/LoginLogoutHistoryWindow.h"
#include "windows/history/TrackEventCell.h"

namespace kestrune::windowtests {
namespace {

class Listener : public LoginLogoutHistoryWindowDelegate {
public:
    std::vector<std::string> heard;
    void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        ui::UIObject*, const std::shared_ptr<FailedLoginEntry>& e) override {
        heard.push_back("failed " + e->imagePath().value_or(""));
    }
    void loginLogoutHistoryWindow_didSelectLoginLogoutEntry(
        ui::UIObject*, const std::shared_ptr<LoginLogoutEntry>& e) override {
        heard.push_back("event " + e->imagePath().value_or(""));
    }
    void loginLogoutHistoryWindowDidSelectInfo(ui::UIObject*) override { heard.push_back("info"); }
};

class HistoryWindowTest : public RecordWindowsTest {
protected:
    std::shared_ptr<LoginLogoutHistoryWindow> open() {
        auto window = KSWindowController::create<LoginLogoutHistoryWindow>();
        window->setDelegate(listener);
        window->showWindow();
        return window;
    }
    // The three kinds of the window's day: an unlock with a photo, a failed login with one, a lock.
    void fillTheDay() {
        addEvent(LoginLogoutEntry::kEventUnlocked, at(0, 9), photo("unlock.png"));
        addFailed(at(0, 9, 30), photo("failed.png"));
        addEvent(LoginLogoutEntry::kEventLocked, at(0, 10));
    }
    std::shared_ptr<TrackEventCell> cellAt(LoginLogoutHistoryWindow& window, uint64_t row) {
        return std::dynamic_pointer_cast<TrackEventCell>(window.listView->visibleCellForRow(row));
    }
    std::shared_ptr<Listener> listener = std::make_shared<Listener>();
};

TEST_F(HistoryWindowTest, RowsArriveOnTheMainQueueAndFillTheirCells) {
    for (const char* name : {"img_placeholder", "shadow", "failed_login_background", "unlocked"})
        registerImage(name, {20, 20});
    fillTheDay();
    auto window = open();
    // Built on a background queue: nothing before the main queue adopts them.
    EXPECT_TRUE(window->listViewArray().empty());
    settle();
    ASSERT_EQ(window->listViewArray().size(), 4u);  // unlock, failed login, lock, session
    EXPECT_EQ(window->listView->numberOfRows(), 4u);
    EXPECT_EQ(window->title->stringValue(), "lock_unlock_history");
    auto unlock = cellAt(*window, 0);
    ASSERT_TRUE(unlock);
    EXPECT_EQ(unlock->dateText->stringValue(), "2026-03-04 09:00:00");
    const auto described =
        LoginLogoutEntry::initWithEvent_date_reason(LoginLogoutEntry::kEventUnlocked, at(0, 9), 1)
            ->descriptionForTrackEvent();
    EXPECT_FALSE(described.empty());
    EXPECT_EQ(unlock->titleLabel->stringValue(), described);
    EXPECT_TRUE(unlock->secondaryIcon->image());  // it has a photo
    EXPECT_EQ(unlock->backgroundImage->image(), ui::Image::imageNamed("shadow"));
    ASSERT_TRUE(unlock->icon->image());
    EXPECT_NE(unlock->icon->image(), ui::Image::imageNamed("unlocked"));  // a tinted copy
    auto failed = cellAt(*window, 1);
    EXPECT_EQ(failed->titleLabel->stringValue(), "failed_login_attempt_text");
    EXPECT_EQ(failed->dateText->stringValue(), "2026-03-04 09:30:00");
    EXPECT_EQ(failed->backgroundImage->image(), ui::Image::imageNamed("failed_login_background"));
    EXPECT_TRUE(failed->secondaryIcon->image());
    auto lock = cellAt(*window, 2);
    EXPECT_EQ(window->listViewArray()[2]->presentationEvent, PresentationEntry::kEventLocked);
    EXPECT_FALSE(lock->secondaryIcon->image());
    auto session = cellAt(*window, 3);
    EXPECT_EQ(session->dateText->stringValue(), "01h :00m :00s");
    EXPECT_EQ(session->titleLabel->stringValue(), "session_duration");
    // Rows added later show on the next reload.
    addEvent(LoginLogoutEntry::kEventUnlocked, at(0, 11));
    window->reloadDatasourceAndView();
    settle();
    EXPECT_EQ(window->listView->numberOfRows(), 5u);
}

// Rows are built on the pool, so a reload may end before or after one asked later: the rows of the older
// one, for a filter changed since, are never shown, whichever ends first.
TEST_F(HistoryWindowTest, TheRowsOfAReloadAskedBeforeANewerOneAreNeverShown) {
    fillTheDay();
    auto window = open();
    settle();
    ASSERT_EQ(window->listViewArray().size(), 4u);
    window->filterModel()->failedLoginFilterOn = true;  // 3 rows
    std::optional<size_t> shownWhenOlderEnded;
    window->reloadDatsourceWithCompletion([&] { shownWhenOlderEnded = window->listViewArray().size(); });
    window->filterModel()->sessionDurationFilterOn = true;  // 2 rows
    window->reloadDatasourceAndView();
    settle();
    ASSERT_TRUE(shownWhenOlderEnded);
    // The rows it found on ending: those from before both, or the newer reload's.
    EXPECT_TRUE(*shownWhenOlderEnded == 4u || *shownWhenOlderEnded == 2u) << *shownWhenOlderEnded;
    EXPECT_EQ(window->listViewArray().size(), 2u);
    EXPECT_EQ(window->listView->numberOfRows(), 2u);
}

TEST_F(HistoryWindowTest, TheWindowOpensOnItsLastRowWithOneFilterBar) {
    for (int i = 0; i < 12; ++i)
        addEvent(i % 2 ? LoginLogoutEntry::kEventLocked : LoginLogoutEntry::kEventUnlocked,
                 at(0, 8 + i * 0.5));
    auto window = open();
    settle();
    ASSERT_EQ(window->listViewArray().size(), 18u);  // 12 events and 6 sessions
    // Scrolled so that the last row is at the bottom of the list.
    const auto visible = window->listView->visibleRange();
    EXPECT_EQ(visible.max(), 18u);
    EXPECT_GT(visible.location, 0u);
    // Shown twice: one filter bar, the bottom buttons transparent, the line of text hidden, the
    // information button there.
    window->showWindow();
    settle();
    const auto bars =
        std::count_if(window->mainView()->subviews().begin(), window->mainView()->subviews().end(),
                      [](const auto& v) { return v->subviews().size() == 6 && v->frame().height() == 34; });
    EXPECT_EQ(bars, 1);
    EXPECT_EQ(window->bottomRightButton.lock()->alphaValue(), 0.0);
    EXPECT_EQ(window->bottomCenterButton.lock()->alphaValue(), 0.0);
    EXPECT_TRUE(window->bottomInfoTextField->isHidden());
    EXPECT_FALSE(window->infoButton.lock()->isHidden());
    click(*window->infoButton.lock(), {15, 15});
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"info"}));
}

TEST_F(HistoryWindowTest, EachToggleHidesItsKindAndShowsHalfTransparent) {
    fillTheDay();
    auto window = open();
    settle();
    auto filter = window->filterController();
    ASSERT_TRUE(filter && filter->sessionButton);
    EXPECT_EQ(filter->filterLabel->stringValue(), "filter");
    click(*filter->sessionButton, {26, 15});
    settle();
    EXPECT_TRUE(window->filterModel()->sessionDurationFilterOn);
    EXPECT_EQ(filter->sessionButton->alphaValue(), 0.5);
    EXPECT_EQ(filter->loginButton->alphaValue(), 1.0);
    EXPECT_EQ(window->listViewArray().size(), 3u);
    click(*filter->failedLoginButton, {26, 15});
    click(*filter->loginButton, {26, 15});
    settle();
    ASSERT_EQ(window->listViewArray().size(), 1u);
    EXPECT_EQ(window->listViewArray()[0]->presentationEvent, PresentationEntry::kEventLocked);
    click(*filter->sessionButton, {26, 15});  // back on
    settle();
    EXPECT_EQ(filter->sessionButton->alphaValue(), 1.0);
    EXPECT_EQ(window->listViewArray().size(), 2u);
    // The bar's own toggles, one by one, invert exactly their flag.
    auto fresh = FilterController::create();
    fresh->startFilterToggled(*fresh->startButton);
    fresh->logoutFilterToggled(*fresh->logoutButton);
    EXPECT_TRUE(fresh->filterModel()->startFilterOn && fresh->filterModel()->logoutFilterOn);
    EXPECT_FALSE(fresh->filterModel()->loginFilterOn || fresh->filterModel()->failedLoginFilterOn ||
                 fresh->filterModel()->sessionDurationFilterOn);
    EXPECT_EQ(fresh->startButton->alphaValue(), 0.5);
}

TEST_F(HistoryWindowTest, OnlyRowsWithAPhotoAreReportedWhenSelected) {
    fillTheDay();
    const std::string unlockPhoto = photoFolder() + "/unlock.png",
                      failedPhoto = photoFolder() + "/failed.png";
    auto window = open();
    settle();
    window->listView->setSelectedRow(2);  // the lock: no photo
    window->listView->setSelectedRow(3);  // the session: its lock has none
    window->listView->setSelectedRow(1);
    window->listView->setSelectedRow(0);
    window->listView->deselectRows();  // no row at all
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"failed " + failedPhoto, "event " + unlockPhoto}));
    // A photo removed since the rows were built: nothing.
    platform::Files::remove(failedPhoto);
    listener->heard.clear();
    window->listView->setSelectedRow(1);
    EXPECT_TRUE(listener->heard.empty());
}

TEST_F(HistoryWindowTest, DeletingTheHistoryAsksFirstAndKeepsTheFailedLogins) {
    fillTheDay();
    auto window = open();
    settle();
    desktop->queueAuthorizationAnswer(platform::kAuthorizationCanceled);
    window->didToggleButtonRightButton(*window->bottomRightButton.lock());
    settle();
    EXPECT_EQ(historyCount(), 2u);
    EXPECT_EQ(window->listViewArray().size(), 4u);
    EXPECT_EQ(desktop->authorizationRequests().size(), 1u);

    desktop->queueAuthorizationAnswer(platform::kAuthorizationSuccess);
    window->didToggleButtonRightButton(*window->bottomRightButton.lock());
    settle();
    EXPECT_EQ(historyCount(), 0u);
    EXPECT_EQ(failedCount(), 1u);
    ASSERT_EQ(window->listViewArray().size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<PresentationEntryFailedLogin>(window->listViewArray()[0]));
    // Saved: a new process reads the emptied history.
    DataManager::resetSharedForTesting();
    EXPECT_EQ(historyCount(), 0u);
    EXPECT_EQ(failedCount(), 1u);
    EXPECT_TRUE(window->window()->isVisible());
}

class ActivityChartTest : public RecordWindowsTest {
protected:
    std::shared_ptr<ActivityVizualizationController> openChart() {
        auto chart = KSWindowController::create<ActivityVizualizationController>();
        chart->showWindow();
        settle();
        return chart;
    }
    void session(double day, double fromHour, double toHour) {
        addEvent(LoginLogoutEntry::kEventUnlocked, at(day, fromHour));
        addEvent(LoginLogoutEntry::kEventLocked, at(day, toHour));
    }
};

TEST_F(ActivityChartTest, AWeekOfSessionsGivesAColumnPerDayWithBarsByTheMinute) {
    session(0, 9, 12);
    session(0, 13, 17.5);
    session(2, 22, 25.5);  // into the fourth day
    session(6, 8, 8.25);
    auto chart = openChart();
    ASSERT_EQ(chart->listOfDayViewModels().size(), 7u);
    auto grid = chart->gridView;
    EXPECT_FALSE(grid->isHidden());
    EXPECT_EQ(grid->itemSize(), (ui::Size{40, 416}));
    EXPECT_EQ(grid->numberOfItems(), 7);
    EXPECT_FALSE(grid->allowsMultipleSelection());
    EXPECT_FALSE(grid->scrollElasticity());
    // The days in order: the first has two bars, the second none.
    auto first = std::dynamic_pointer_cast<CNCustomActivityDayViewItem>(grid->keyedVisibleItems().at(0));
    ASSERT_TRUE(first && first->dayViewModel());
    EXPECT_EQ(first->dayViewModel()->sessionArray.size(), 2u);
    auto second = std::dynamic_pointer_cast<CNCustomActivityDayViewItem>(grid->keyedVisibleItems().at(1));
    EXPECT_TRUE(second->dayViewModel()->sessionArray.empty());
    // y = minutes x H / 1440 + 3, H = 416 - 6: 09:00 is 540 minutes, 12:00 720.
    const auto list = drawing(*first);
    ASSERT_EQ(list.size(), 3u);
    const double h = 410.0 / 1440;
    char bar[64];
    std::snprintf(bar, sizeof bar, "3 %g 34 %g", 540 * h + 3, 180 * h);
    EXPECT_NE(list[1].find(bar), std::string::npos) << list[1];
    EXPECT_NE(list[0].find("3 3 34 410"), std::string::npos) << list[0];
}

TEST_F(ActivityChartTest, NoSessionsHideTheGrid) {
    addEvent(LoginLogoutEntry::kEventUnlocked, at(0, 9));
    auto chart = openChart();
    EXPECT_TRUE(chart->listOfDayViewModels().empty());
    EXPECT_TRUE(chart->gridView->isHidden());
    EXPECT_EQ(chart->gridView->numberOfItems(), 0);
}

TEST_F(ActivityChartTest, TheInstalledFactoryMakesANewChartForEachRequest) {
    ActivityControllerFactory::install(std::make_shared<ActivityChartFactory>());
    auto factory = ActivityControllerFactory::installed();
    ASSERT_TRUE(factory);
    auto one = factory->newActivityVizualizationController();
    auto two = factory->newActivityVizualizationController();
    EXPECT_NE(one, two);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActivityVizualizationController>(one));
    ActivityControllerFactory::install(nullptr);
    EXPECT_FALSE(ActivityControllerFactory::installed());
}

}  // namespace
}  // namespace kestrune::windowtests
