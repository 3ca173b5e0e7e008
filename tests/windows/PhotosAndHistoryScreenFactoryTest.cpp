// The photo and history screens the photos and history page opens: each made new with its delegate, the
// windows as pages of the detail pane, the photo window showing the kinds and the entry it was given.

#include "windows/info/PhotosAndHistoryScreenFactory.h"

#include <gtest/gtest.h>

#include "tests/windows/RecordWindowsFixture.h"
#include "uikit/bases/KSWindowControllerPage.h"
#include "windows/history/LoginLogoutHistoryWindow.h"
#include "windows/info/FailedLoginPhotosView.h"
#include "windows/info/MacControllerTrackTutorialView.h"
#include "windows/info/ManualSnapshotsTutorialView.h"
#include "windows/photos/KestruneCollectionWindow.h"

namespace kestrune::windowtests {
namespace {

struct Listener : FailedLoginPhotosViewDelegate,
                  MacControllerTrackTutorialViewDelegate,
                  ManualSnapshotsTutorialViewDelegate,
                  KestruneCollectionWindowDelegate,
                  LoginLogoutHistoryWindowDelegate {
    void failedLoginPhotosView_didSelectOption(ui::UIObject*, int32_t) override {}
    void macControllerTrackTutorialView_didSelectOption(ui::UIObject*, int32_t) override {}
    void manualSnapshotsTutorialView_didSelectOption(ui::UIObject*, int32_t) override {}
    void kestruneCollectionWindow_didSelectOption(ui::UIObject*, int32_t) override {}
    void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        ui::UIObject*, const std::shared_ptr<FailedLoginEntry>&) override {}
};

class PhotosAndHistoryScreenFactoryTest : public RecordWindowsTest {
protected:
    PhotosAndHistoryScreenFactory factory;
    std::shared_ptr<Listener> listener = std::make_shared<Listener>();
};

TEST_F(PhotosAndHistoryScreenFactoryTest, EachScreenIsNewAndReportsToTheGivenDelegate) {
    auto failed = std::dynamic_pointer_cast<FailedLoginPhotosView>(factory.failedLoginPhotosView(listener));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->delegate(), listener);
    EXPECT_NE(factory.failedLoginPhotosView(listener), failed);
    auto track =
        std::dynamic_pointer_cast<MacControllerTrackTutorialView>(factory.trackTutorialView(listener));
    ASSERT_TRUE(track);
    EXPECT_EQ(track->delegate(), listener);
    auto manual =
        std::dynamic_pointer_cast<ManualSnapshotsTutorialView>(factory.manualSnapshotsTutorialView(listener));
    ASSERT_TRUE(manual);
    EXPECT_EQ(manual->delegate(), listener);

    auto history = std::dynamic_pointer_cast<LoginLogoutHistoryWindow>(
        KSWindowControllerPage::windowControllerOf(factory.lockUnlockHistoryWindow(listener)));
    ASSERT_TRUE(history);
    EXPECT_EQ(history->delegate(), listener);
    EXPECT_TRUE(history->filterController());
}

TEST_F(PhotosAndHistoryScreenFactoryTest, ThePhotoWindowShowsTheKindsAndTheFailedLoginItWasGiven) {
    std::vector<std::shared_ptr<FailedLoginEntry>> failures;
    for (int hour : {9, 10, 11})
        failures.insert(failures.begin(),
                        addFailed(at(0, hour), photo("failed-" + std::to_string(hour) + ".png")));
    auto screen = factory.photoWindow(listener);
    screen->setShowLoginEntries(false);
    screen->setShowFailedLoginAttemptEntries(true);
    screen->setShowManualSnapshots(false);
    screen->showWindowWithEntry(failures[1]);
    screen->reloadDatasourceAndViewAndSelectItem();
    auto page = screen->page();
    EXPECT_EQ(screen->page(), page);
    auto photos =
        std::dynamic_pointer_cast<KestruneCollectionWindow>(KSWindowControllerPage::windowControllerOf(page));
    ASSERT_TRUE(photos);
    EXPECT_EQ(photos->delegate(), listener);
    EXPECT_TRUE(photos->showFailedLoginAttemptEntries);
    EXPECT_FALSE(photos->showLoginEntries || photos->showManualSnapshots);
    auto pane = window({100, 100, 849, 500});
    pane->contentView()->addSubview(page->view());
    settle();
    EXPECT_EQ(photos->listViewArray().size(), 3u);
    EXPECT_EQ(photos->selectedEntry(), failures[1]);

    // A record of another kind selects nothing in particular, and says so.
    auto other = factory.photoWindow(listener);
    other->showWindowWithEntry(LoginLogoutEntry::init());
    EXPECT_TRUE(logged("Photo window: a LoginLogoutEntry is not selected"));
}

}  // namespace
}  // namespace kestrune::windowtests
