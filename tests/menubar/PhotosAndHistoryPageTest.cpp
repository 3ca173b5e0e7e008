// The photos and history page: its rows on every system version, the screens it opens through the
// installed screens factory (a recording one here), what each screen's choices lead to, and the photo
// window's content flags.

#include "menubar/pages/PhotosAndHistoryManager.h"

#include <gtest/gtest.h>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

using kestrune::BaseViewController;
using kestrune::PhotosAndHistoryManager;

// The photo window as the page sets it up: its flags, the entry it was asked to select, and what it was
// told, in order.
struct RecordedPhotoWindow : kestrune::PhotoListWindow {
    bool login = false, failed = false, manual = false;
    std::shared_ptr<platform::Object> entry;
    std::vector<std::string> calls;
    std::shared_ptr<BaseViewController> shown = BaseViewController::create();
    std::shared_ptr<kestrune::KestruneCollectionWindowDelegate> delegate;

    void setShowLoginEntries(bool show) override { login = show; }
    void setShowFailedLoginAttemptEntries(bool show) override { failed = show; }
    void setShowManualSnapshots(bool show) override { manual = show; }
    void showWindowWithEntry(const std::shared_ptr<platform::Object>& selected) override {
        entry = selected;
        calls.push_back("showWindowWithEntry");
    }
    void reloadDatasourceAndViewAndSelectItem() override { calls.push_back("reload"); }
    std::shared_ptr<BaseViewController> page() override { return shown; }
    std::string flags() const {
        return std::string(login ? "L" : "-") + (failed ? "F" : "-") + (manual ? "M" : "-");
    }
};

// Makes plain pages for the screens and records which, with the delegate each was given.
struct RecordingScreens : kestrune::PhotosAndHistoryScreens {
    std::vector<std::string> made;
    std::vector<std::weak_ptr<RecordedPhotoWindow>> windows;
    bool delegatesWereTheManager = true;
    const void* manager = nullptr;

    template <typename D>
    std::shared_ptr<BaseViewController> screen(const char* name, const std::weak_ptr<D>& delegate) {
        made.push_back(name);
        auto given = delegate.lock();
        delegatesWereTheManager &= given && dynamic_cast<const void*>(given.get()) == manager;
        return BaseViewController::create();
    }
    std::shared_ptr<BaseViewController> failedLoginPhotosView(
        std::weak_ptr<kestrune::FailedLoginPhotosViewDelegate> delegate) override {
        return screen("FailedLoginPhotosView", delegate);
    }
    std::shared_ptr<BaseViewController> trackTutorialView(
        std::weak_ptr<kestrune::MacControllerTrackTutorialViewDelegate> delegate) override {
        return screen("MacControllerTrackTutorialView", delegate);
    }
    std::shared_ptr<BaseViewController> manualSnapshotsTutorialView(
        std::weak_ptr<kestrune::ManualSnapshotsTutorialViewDelegate> delegate) override {
        return screen("ManualSnapshotsTutorialView", delegate);
    }
    std::shared_ptr<kestrune::PhotoListWindow> photoWindow(
        std::weak_ptr<kestrune::KestruneCollectionWindowDelegate> delegate) override {
        screen("KestruneCollectionWindow", delegate);
        auto window = std::make_shared<RecordedPhotoWindow>();
        windows.push_back(window);
        return window;
    }
    std::shared_ptr<BaseViewController> lockUnlockHistoryWindow(
        std::weak_ptr<kestrune::LoginLogoutHistoryWindowDelegate> delegate) override {
        return screen("LoginLogoutHistoryWindow", delegate);
    }
};

class PhotosAndHistoryPageTest : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        screens = std::make_shared<RecordingScreens>();
        kestrune::PhotosAndHistoryScreens::install(screens);
        page = makePage<PhotosAndHistoryManager>();
        screens->manager = dynamic_cast<const void*>(page.get());
    }
    void TearDown() override {
        kestrune::PhotosAndHistoryScreens::install(nullptr);
        page.reset();
        PagesFixture::TearDown();
    }
    RecordedPhotoWindow& photoWindow() {
        return static_cast<RecordedPhotoWindow&>(*page->faileLoginsListView());
    }
    // What the page asked of the navigation and which screens it made, since the last look.
    std::vector<std::string> asked() {
        auto out = navigation->texts();
        for (const auto& made : screens->made) out.push_back("made " + made);
        navigation->clear();
        screens->made.clear();
        return out;
    }

    std::shared_ptr<RecordingScreens> screens;
    std::shared_ptr<PhotosAndHistoryManager> page;
};

using Texts = std::vector<std::string>;

// Failed logins are photographed on every system version, so their switches are on the page on every
// one: on either side of 10.12, and on the simulated Mac's default 10.14.6.
TEST_F(PhotosAndHistoryPageTest, FailedLoginRowsOnEveryVersion) {
    const Texts expected{"TitleDescriptionCell login_events_title",
                         "SeparatorCell",
                         "CustomCheckBoxCell take_photo_on_each_login_title",
                         "TitleDescriptionCell failed_login_events_title",
                         "SeparatorCell",
                         "CustomCheckBoxCell take_photo_on_each_failed_attempt",
                         "CustomCheckBoxCell send_notification_on_each_failed_attempt",
                         "TitleDescriptionCell other_events_title",
                         "SeparatorCell",
                         "IconTitleDescriptionCell lock_unlock_history_short",
                         "DoubleButtonCell tutorial",
                         "IconTitleDescriptionCell manual_snapshots_title",
                         "DoubleButtonCell tutorial"};
    for (const char* version : {"10.11.6", "10.12", "10.14.6"}) {
        platform::SystemVersion::setOverride(std::string(version));
        EXPECT_EQ(rowsOf(page->createViewModel()), expected) << version;
    }
    platform::SystemVersion::setOverride(std::nullopt);
    auto rows = page->createViewModel();
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[3]->viewClass()->nibName, rows[0]->viewClass()->nibName);

    // The check boxes show the settings; a check asks the coordinator and the page is rebuilt.
    local().setTakePhotoOnFailedLogin(true);
    local().setWarnUserOnLoginFailed(false);
    rows = page->createViewModel();
    EXPECT_FALSE(rows[2]->isOn());
    EXPECT_TRUE(rows[5]->isOn());
    EXPECT_FALSE(rows[6]->isOn());
    rows[5]->primaryActionHandler()();
    rows[6]->primaryActionHandler()();
    EXPECT_EQ(asked(), (Texts{"toggleTakePhotoOnFailedLogin", "toggleWarnUserOnFailedLogin"}));

    // The section's buttons open the failed-login information page and the failed-login photos.
    rows[3]->secondaryActionHandler()();
    rows[5]->secondaryActionHandler()();
    EXPECT_EQ(asked(),
              (Texts{"showDetailList:source: controller 2", "showDetailController:source: controller 2",
                     "made FailedLoginPhotosView", "made KestruneCollectionWindow"}));
    EXPECT_EQ(page->failedLoginPhotosTutorial()->comparisonIdentifier(), "FailedLoginPhotosView");
    EXPECT_EQ(photoWindow().flags(), "-F-");
}

TEST_F(PhotosAndHistoryPageTest, TheRowsButtonsOpenTheirScreens) {
    auto rows = page->createViewModel();
    rows[0]->secondaryActionHandler()();
    EXPECT_EQ(asked(), Texts{"showDetailList:source: controller 2"});
    EXPECT_EQ(page->loginPhotosTutorial()->comparisonIdentifier(), "LoginPhotosView");
    EXPECT_EQ(page->loginPhotosTutorial()->delegate().get(),
              static_cast<kestrune::LoginPhotosViewDelegate*>(page.get()));
    rows[2]->secondaryActionHandler()();
    EXPECT_EQ(photoWindow().flags(), "L--");
    rows[10]->primaryActionHandler()();
    rows[10]->secondaryActionHandler()();
    EXPECT_EQ(asked(),
              (Texts{"showDetailController:source: controller 2", "showDetailList:source: controller 2",
                     "showDetailController:source: controller 2", "made KestruneCollectionWindow",
                     "made MacControllerTrackTutorialView", "made LoginLogoutHistoryWindow"}));
    EXPECT_EQ(page->trackTutorial()->comparisonIdentifier(), "MacControllerTrackTutorialView");
    rows[12]->primaryActionHandler()();
    rows[12]->secondaryActionHandler()();
    EXPECT_EQ(asked(), (Texts{"showManualPhotosInfo", "showDetailController:source: controller 2",
                              "made KestruneCollectionWindow"}));
    EXPECT_EQ(photoWindow().flags(), "--M");
    EXPECT_TRUE(screens->delegatesWereTheManager);

    // Once the page is gone its rows do nothing.
    page.reset();
    rows[10]->secondaryActionHandler()();
    rows[0]->secondaryActionHandler()();
    EXPECT_EQ(asked(), Texts{});
}

TEST_F(PhotosAndHistoryPageTest, EachOpenerMakesANewPhotoWindowWithOneContentFlag) {
    auto entry = kestrune::FailedLoginEntry::init();
    page->showLoginEntriesWithSelectedEntry(nullptr);
    std::weak_ptr<RecordedPhotoWindow> first = screens->windows.back();
    EXPECT_EQ(photoWindow().flags(), "L--");
    EXPECT_EQ(photoWindow().calls, (Texts{"showWindowWithEntry", "reload"}));
    EXPECT_EQ(navigation->last("showDetailController:source:")->controller, photoWindow().shown);

    page->showFailedLoginWindowWithEntry(entry);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(photoWindow().flags(), "-F-");
    EXPECT_EQ(photoWindow().entry, entry);
    page->showManualSnapshotsWindowWithEntry(nullptr);
    EXPECT_EQ(photoWindow().flags(), "--M");
    EXPECT_EQ(photoWindow().entry, nullptr);
    EXPECT_EQ(navigation->count("showDetailController:source:"), 3u);

    // Without a screens factory nothing opens, and the page says so.
    kestrune::PhotosAndHistoryScreens::install(nullptr);
    asked();
    page->showFailedLoginWindowWithEntry(nullptr);
    page->showLockUnlockHistory();
    EXPECT_EQ(page->faileLoginsListView(), nullptr);
    EXPECT_EQ(asked(), Texts{});
    EXPECT_TRUE(logged("the photo window does not open"));
}

TEST_F(PhotosAndHistoryPageTest, TheScreensChoicesAreRouted) {
    auto* me = page.get();
    struct Case {
        std::function<void()> choose;
        Texts expected;
        std::string flags;  // of the photo window made, "" for none
    };
    const std::vector<Case> cases{
        {[&] { me->loginPhotosView_didSelectOption(nullptr, 0); }, {}, ""},
        {[&] { me->loginPhotosView_didSelectOption(nullptr, 1); },
         {"popViewModelAnimated: YES", "showDetailController:source: controller 2",
          "made KestruneCollectionWindow"},
         "L--"},
        {[&] { me->failedLoginPhotosView_didSelectOption(nullptr, 0); }, {}, ""},
        {[&] { me->failedLoginPhotosView_didSelectOption(nullptr, 1); },
         {"popViewModelAnimated: YES", "showDetailController:source: controller 2",
          "made KestruneCollectionWindow"},
         "-F-"},
        {[&] { me->macControllerTrackTutorialView_didSelectOption(nullptr, 0); }, {}, ""},
        {[&] { me->macControllerTrackTutorialView_didSelectOption(nullptr, 1); },
         {"showDetailController:source: controller 2", "made LoginLogoutHistoryWindow"},
         ""},
        {[&] { me->manualSnapshotsTutorialView_didSelectOption(nullptr, 0); },
         {"showDetailList:source: controller 2", "made ManualSnapshotsTutorialView"},
         ""},
        {[&] { me->manualSnapshotsTutorialView_didSelectOption(nullptr, 1); }, {}, ""},
        {[&] { me->kestruneCollectionWindow_didSelectOption(nullptr, 0); },
         {"popViewModelAnimated: YES", "showDetailList:source: controller 2"},
         ""},
        {[&] { me->kestruneCollectionWindow_didSelectOption(nullptr, 1); },
         {"popViewModelAnimated: YES", "showDetailList:source: controller 2", "made FailedLoginPhotosView"},
         ""},
        {[&] { me->kestruneCollectionWindow_didSelectOption(nullptr, 2); }, {}, ""},
        {[&] { me->loginLogoutHistoryWindowDidSelectInfo(nullptr); },
         {"showDetailList:source: controller 2", "made MacControllerTrackTutorialView"},
         ""},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const size_t windowsBefore = screens->windows.size();
        cases[i].choose();
        EXPECT_EQ(asked(), cases[i].expected);
        if (!cases[i].flags.empty()) {
            ASSERT_EQ(screens->windows.size(), windowsBefore + 1);
            EXPECT_EQ(photoWindow().flags(), cases[i].flags);
        }
    }
    EXPECT_TRUE(screens->delegatesWereTheManager);
}

TEST_F(PhotosAndHistoryPageTest, AnEntryChosenInTheHistoryOpensThePhotoWindowOnIt) {
    auto failed = kestrune::FailedLoginEntry::init();
    page->showLockUnlockHistory();
    ASSERT_TRUE(page->trackHistoryListView());
    page->loginLogoutHistoryWindow_didSelectFailedLoginEntry(nullptr, failed);
    EXPECT_EQ(photoWindow().flags(), "-F-");
    EXPECT_EQ(photoWindow().entry, failed);
    EXPECT_EQ(navigation->last("showDetailController:source:")->controller, photoWindow().shown);

    auto login = kestrune::LoginLogoutEntry::init();
    page->loginLogoutHistoryWindow_didSelectLoginLogoutEntry(nullptr, login);
    EXPECT_EQ(photoWindow().flags(), "L--");
    EXPECT_EQ(photoWindow().entry, login);
}

}  // namespace
}  // namespace pagetests
