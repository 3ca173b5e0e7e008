// The photo window: the shown records with their photos, the selection after reloads and from a
// notification, deleting one or all after an administrator's yes, saving the share image under a free
// name, sharing, and the notice with its popover and the popover's choices.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>

#include "app/support/Utilities.h"
#include "features/photos/FailedLoginFactory.h"
#include "platform/ui/Popover.h"
#include "platform/ui/SharingServicePicker.h"
#include "tests/windows/RecordWindowsFixture.h"
#include "uikit/grid/CNGridImageViewItem.h"
#include "windows/photos/KestruneCollectionWindow.h"
#include "windows/sharing/KestruneImageController.h"
#include "windows/sharing/MugShotGeneratorPathService.h"

namespace kestrune::windowtests {
namespace {

class Opener : public KestruneCollectionWindowDelegate {
public:
    std::vector<int32_t> options;
    void kestruneCollectionWindow_didSelectOption(ui::UIObject*, int32_t option) override {
        options.push_back(option);
    }
};

class PhotoWindowTest : public RecordWindowsTest {
protected:
    std::shared_ptr<KestruneCollectionWindow> open(bool failed = true, bool logins = false,
                                                   bool manual = false) {
        auto window = KSWindowController::create<KestruneCollectionWindow>();
        window->showFailedLoginAttemptEntries = failed;
        window->showLoginEntries = logins;
        window->showManualSnapshots = manual;
        window->setDelegate(opener);
        window->showWindow();
        settle();
        return window;
    }
    // Three failed logins with photos, newest first: 11:00, 10:00, 09:00.
    std::vector<std::shared_ptr<FailedLoginEntry>> threeFailures() {
        std::vector<std::shared_ptr<FailedLoginEntry>> entries;
        for (int hour : {9, 10, 11})
            entries.insert(
                entries.begin(),
                addFailed(at(0, hour), photo("failed-" + std::to_string(hour) + ".png", 0xff000000u + hour)));
        return entries;
    }
    std::shared_ptr<CNGridImageViewItem> item(KestruneCollectionWindow& window, int64_t index) {
        auto it = window.gridView->keyedVisibleItems().find(index);
        return it == window.gridView->keyedVisibleItems().end()
                   ? nullptr
                   : std::dynamic_pointer_cast<CNGridImageViewItem>(it->second);
    }
    std::shared_ptr<Opener> opener = std::make_shared<Opener>();
};

TEST_F(PhotoWindowTest, TheShownPhotosComeInTheStripAndTheFirstIsSelected) {
    auto failures = threeFailures();
    addFailed(at(0, 12), home() + "/gone.png");  // its photo is not there
    addEvent(LoginLogoutEntry::kEventUnlocked, at(0, 8), photo("login.png"));
    auto window = open();
    ASSERT_EQ(window->listViewArray().size(), 3u);
    EXPECT_EQ(window->listViewArray()[0], failures[0]);
    EXPECT_FALSE(window->gridView->isHidden());
    EXPECT_TRUE(window->infoLabel->isHidden());
    EXPECT_EQ(window->gridView->itemSize(), (ui::Size{196.22641509433964, 120}));
    auto first = item(*window, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->itemTitle(), "2026-03-04 11:00");
    ASSERT_TRUE(first->itemImage());
    EXPECT_EQ(first->itemImage()->size(), (ui::Size{64, 48}));
    // The first item is selected; the preview is its share card.
    EXPECT_EQ(window->selectedIndexPath(), 0);
    EXPECT_EQ(window->selectedEntry(), failures[0]);
    ASSERT_TRUE(window->mainImageView->image());
    EXPECT_EQ(window->mainImageView->image()->size(), (ui::Size{360, 440}));
    // Below 10.12 with a camera and the setting on: the notice offers the popover of type 9.
    EXPECT_FALSE(window->notificationButton->isHidden());
    EXPECT_EQ(window->notificationLable->stringValue(), "");
    // All kinds: failed logins first, then the login photos.
    auto all = open(true, true, true);
    ASSERT_EQ(all->listViewArray().size(), 4u);
    EXPECT_TRUE(std::dynamic_pointer_cast<LoginLogoutEntry>(all->listViewArray()[3]));
}

// The records are gathered on the pool, so a reload may end before or after one asked later: the photos
// of the older one, for a choice of kinds changed since, are never shown, whichever ends first.
TEST_F(PhotoWindowTest, ThePhotosOfAReloadAskedBeforeANewerOneAreNeverShown) {
    threeFailures();
    auto login = addEvent(LoginLogoutEntry::kEventUnlocked, at(0, 8), photo("login.png"));
    auto window = open();
    ASSERT_EQ(window->listViewArray().size(), 3u);
    window->showLoginEntries = true;  // 4 photos
    std::optional<size_t> shownWhenOlderEnded;
    window->reloadDatsourceWithCompletion([&] { shownWhenOlderEnded = window->listViewArray().size(); });
    window->showFailedLoginAttemptEntries = false;  // the login's photo alone
    window->reloadDatasourceAndView();
    settle();
    ASSERT_TRUE(shownWhenOlderEnded);
    // The photos it found on ending: those from before both, or the newer reload's.
    EXPECT_TRUE(*shownWhenOlderEnded == 3u || *shownWhenOlderEnded == 1u) << *shownWhenOlderEnded;
    ASSERT_EQ(window->listViewArray().size(), 1u);
    EXPECT_EQ(window->listViewArray()[0], login);
}

TEST_F(PhotoWindowTest, WithNothingToShowTheNoticeSaysWhy) {
    platform::CaptureBackend::install(platform::SimulatedCamera::create({}));  // no camera
    auto window = open();
    EXPECT_TRUE(window->gridView->isHidden());
    EXPECT_TRUE(window->shareButton->isHidden() && window->trashButton->isHidden() &&
                window->downloadButton->isHidden() && window->deleteAllButton->isHidden() &&
                window->mainImageView->isHidden());
    EXPECT_FALSE(window->infoLabel->isHidden());
    EXPECT_EQ(window->infoLabel->stringValue(), "no_appropriate_camera_attached");
    registerImage("wizzard_refund_smiley", {40, 40});
    window->reloadDatasourceAndView();
    settle();
    EXPECT_EQ(window->infoImageView->image(), ui::Image::imageNamed("wizzard_refund_smiley"));
    // Popover type 4: no camera.
    EXPECT_EQ(window->notificationLable->stringValue(), "no_camera_detected");
    // Login photos with a camera, the setting off.
    platform::CaptureBackend::install(camera);
    auto logins = open(false, true);
    EXPECT_EQ(logins->infoLabel->stringValue(), "enable_option_in_settings");
    EXPECT_EQ(logins->notificationLable->stringValue(), "not_enabled");
}

TEST_F(PhotoWindowTest, DeletingTheFirstPhotoSelectsTheNewFirstAfterTheReload) {
    auto failures = threeFailures();
    auto window = open();
    desktop->queueAuthorizationAnswer(platform::kAuthorizationDenied);
    window->deleteToggled(*window->trashButton);
    settle();
    EXPECT_EQ(failedCount(), 3u);
    EXPECT_EQ(window->selectedIndexPath(), 0);

    desktop->queueAuthorizationAnswer(platform::kAuthorizationSuccess);
    window->deleteToggled(*window->trashButton);
    // Asked off the main thread, answered back on it: nothing is deleted before the main thread runs (the
    // request itself may already have been made, so its count says nothing).
    EXPECT_EQ(failedCount(), 3u);
    settle();
    const auto requests = desktop->authorizationRequests();
    ASSERT_EQ(requests.size(), 2u);
    ASSERT_FALSE(requests[1].environment.empty());
    EXPECT_EQ(requests[1].environment[0].value, "delete_single_photo ");
    EXPECT_EQ(failedCount(), 2u);
    EXPECT_FALSE(platform::Files::exists(*failures[0]->imagePath()));
    ASSERT_EQ(window->listViewArray().size(), 2u);
    // -1 became 0: the record that was second is selected, its card in the preview.
    EXPECT_EQ(window->selectedIndexPath(), 0);
    EXPECT_EQ(window->selectedEntry(), failures[1]);
    EXPECT_TRUE(window->window()->isVisible());

    // Deleting all shown asks its own question and empties the list.
    desktop->queueAuthorizationAnswer(platform::kAuthorizationSuccess);
    window->deleteAllToggled(*window->deleteAllButton);
    settle();
    EXPECT_EQ(desktop->authorizationRequests().back().environment[0].value, "delete_all_photos_question ");
    EXPECT_EQ(failedCount(), 0u);
    EXPECT_TRUE(window->gridView->isHidden());
}

// A photo folder that is a link: the photo of a failed login lands in the Documents folder, not through
// the link, and the window shows it and deletes it with Delete all.
TEST_F(PhotoWindowTest, APhotoFolderThatIsALinkStillGivesPhotosThatAreShownAndDeleted) {
    const std::string theirs = home() + "/Elsewhere";
    ASSERT_TRUE(platform::Files::createDirectories(theirs));
    const std::string mugShots = Utilities::applicationDataKestruneDirectory() + "/MugShots";
    ASSERT_FALSE(platform::Files::exists(mugShots));
    ASSERT_EQ(symlink(theirs.c_str(), mugShots.c_str()), 0);
    FailedLoginFactory().createAndSaveFailedLoginEventTakePhoto(true);
    advance(2);
    EXPECT_TRUE(platform::Files::listDirectory(theirs).empty());
    auto window = open();
    ASSERT_EQ(window->listViewArray().size(), 1u);
    const std::string photo = *window->listViewArray()[0]->imagePath();
    EXPECT_EQ(platform::Files::parentPath(photo), Utilities::documentsDirectory());
    EXPECT_TRUE(platform::Files::isRegularFile(photo));

    desktop->queueAuthorizationAnswer(platform::kAuthorizationSuccess);
    window->deleteAllToggled(*window->deleteAllButton);
    settle();
    EXPECT_EQ(failedCount(), 0u);
    EXPECT_FALSE(platform::Files::exists(photo));
    EXPECT_TRUE(window->gridView->isHidden());
    EXPECT_TRUE(platform::Files::isDirectory(mugShots));
    EXPECT_TRUE(platform::Files::listDirectory(theirs).empty());
}

TEST_F(PhotoWindowTest, DeletingAPhotoInTheMiddleSelectsTheOneBeforeIt) {
    auto failures = threeFailures();
    failures.insert(failures.begin(), addFailed(at(0, 12), photo("failed-12.png", 0xff00000cu)));
    auto window = open();
    ASSERT_EQ(window->listViewArray(),
              (std::vector<std::shared_ptr<BaseEntry>>(failures.begin(), failures.end())));
    window->gridView->selectItemAtIndex(2);
    settle();
    ASSERT_EQ(window->selectedEntry(), failures[2]);

    desktop->queueAuthorizationAnswer(platform::kAuthorizationSuccess);
    window->deleteToggled(*window->trashButton);
    settle();
    ASSERT_EQ(window->listViewArray().size(), 3u);
    // One back, not the one that moved into the deleted place nor the first.
    EXPECT_EQ(window->selectedIndexPath(), 1);
    EXPECT_EQ(window->selectedEntry(), failures[1]);
    EXPECT_EQ(window->gridView->lastSelectedItemIndex(), 1);
}

TEST_F(PhotoWindowTest, APhotoFromANotificationIsSelectedAfterTheFirstLoadOrAtOnce) {
    auto failures = threeFailures();
    // Its record as the notification knows it: the same file, written differently.
    auto known = FailedLoginEntry::init();
    std::string upper = *failures[1]->imagePath();
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    known->setImagePath(upper);
    auto window = KSWindowController::create<KestruneCollectionWindow>();
    window->showFailedLoginAttemptEntries = true;
    window->showWindowWithEntry(known);
    window->showWindow();
    EXPECT_FALSE(window->gridDidLoadAtLeastOnce());
    settle();
    EXPECT_EQ(window->selectedEntry(), failures[1]);
    EXPECT_FALSE(window->failedLoginEntryToSelect());
    // Loaded once: at once. A pattern never matches.
    auto starred = FailedLoginEntry::init();
    starred->setImagePath(home() + "/failed-*.png");
    window->showWindowWithEntry(starred);
    EXPECT_EQ(window->selectedEntry(), failures[1]);
    auto third = FailedLoginEntry::init();
    third->setImagePath(failures[2]->imagePath());
    window->showWindowWithEntry(third);
    EXPECT_EQ(window->selectedEntry(), failures[2]);
    EXPECT_EQ(window->selectedIndexPath(), 2);
}

TEST_F(PhotoWindowTest, SavingTakesTheFirstFreeNameAndAnnouncesOnlyAWrittenFile) {
    threeFailures();
    auto window = open();
    const std::string folder = Utilities::kestruneDocumentsDirectory();
    for (const char* taken : {"/kestrune_mugshot.png", "/kestrune_mugshot(1).png"})
        ASSERT_TRUE(
            platform::Files::writeAtomically(folder + taken, platform::Data(std::vector<uint8_t>{1})));
    window->saveToDocumentsToggled(*window->downloadButton);
    const std::string saved = folder + "/kestrune_mugshot(2).png";
    ASSERT_TRUE(platform::Files::exists(saved));
    auto picture = ui::Image::initWithContentsOfFile(saved);
    ASSERT_TRUE(picture);
    const auto delivered = notifications->delivered();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].identifier, KestruneImageController::kSavedNotificationIdentifier);
    EXPECT_EQ(delivered[0].informativeText, "mugshot_image_saved_to_documents");
    // The shell reveals the file this window saved.
    EXPECT_EQ(MugShotGeneratorPathService().mugShotFilePathInDocuments(), saved);

    // A folder that cannot take the file, not even from root: a log line and no notice.
    notifications->removeAll();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory_symlink("/proc", folder);
    window->saveToDocumentsToggled(*window->downloadButton);
    std::filesystem::remove(folder);
    EXPECT_TRUE(notifications->delivered().empty());
    EXPECT_TRUE(logged("could not be saved"));
}

TEST_F(PhotoWindowTest, SharingOffersTheTextAndTheCardBelowTheButton) {
    threeFailures();
    auto window = open();
    window->shareToggled(*window->shareButton);
    auto shown = ui::SharingServicePicker::shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].view.lock(), window->shareButton);
    EXPECT_EQ(shown[0].edge, ui::RectEdge::MinY);
    const auto& items = shown[0].picker->items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(std::get<std::string>(items[0]),
              "Nice try logging into my Mac! Busted with Kestrune! https://kestrune.com");
    EXPECT_EQ(std::get<std::shared_ptr<ui::Image>>(items[1])->size(), (ui::Size{360, 440}));
    ASSERT_TRUE(shown[0].picker->chooseSharingServiceNamed(ui::SharingService::kNameComposeMessage));
    const auto performed = ui::SharingService::performed();
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_EQ(performed[0].sourceWindow.lock(), window->window());
}

TEST_F(PhotoWindowTest, ThePopoverSwitchesASettingOnOrAsksForAnInformationPage) {
    auto window = open(false, true);  // login photos, the setting off: type 6
    window->notificationToggled(*window->notificationButton);
    auto manager = window->popoverManager();
    ASSERT_TRUE(manager->popover() && manager->popover()->isShown());
    auto content = manager->contentController();
    EXPECT_EQ(content->label->stringValue(), "login_photo_not_enabled enable_in_mac_control");
    EXPECT_EQ(content->button1->title(), "enable");
    EXPECT_EQ(content->button2->title(), "learn_more");
    EXPECT_EQ(manager->popover()->behavior(), ui::PopoverBehavior::Transient);
    click(*content->button1, {10, 10});  // enable
    EXPECT_TRUE(DeviceLocalSettings::shared().takePhotoAfterEachLogin());
    EXPECT_FALSE(manager->popover()->isShown());
    // Recomputed: the setting is on now, type 8, no short text.
    EXPECT_EQ(window->notificationLable->stringValue(), "");
    EXPECT_TRUE(opener->options.empty());

    window->notificationToggled(*window->notificationButton);
    manager->contentController()->rigthButtonToggled(*manager->contentController()->button2);  // learn more
    EXPECT_EQ(opener->options, (std::vector<int32_t>{0}));
    // Failed-login photos turned off (type 7): the model has no long text, its short one is shown.
    DeviceLocalSettings::shared().setTakePhotoOnFailedLogin(false);
    auto off = open();
    EXPECT_EQ(off->notificationLable->stringValue(),
              "failed_login_attempt_not_enabled enable_in_mac_control");
    off->notificationToggled(*off->notificationButton);
    EXPECT_EQ(off->popoverManager()->contentController()->label->stringValue(),
              "failed_login_attempt_not_enabled enable_in_mac_control");
    off->popoverManager()->contentController()->leftButtonToggled(
        *off->popoverManager()->contentController()->button1);
    EXPECT_TRUE(DeviceLocalSettings::shared().takePhotoOnFailedLogin());
    // Failed-login photos with the setting on (type 9): its learn-more asks for the other page.
    auto failed = open();
    failed->notificationToggled(*failed->notificationButton);
    EXPECT_EQ(failed->popoverManager()->contentController()->label->stringValue(), "disable_in_mac_control");
    failed->popoverManager()->contentController()->rigthButtonToggled(
        *failed->popoverManager()->contentController()->button2);
    EXPECT_EQ(opener->options, (std::vector<int32_t>{0, 1}));
    EXPECT_TRUE(ui::Popover::shownPopovers().empty());
}

// The failed-login photos this Mac took are shown as photos on either side of 10.12: the window never
// tells the user that the photos in front of them cannot be taken on this system.
TEST_F(PhotoWindowTest, FailedLoginPhotosTakenHereAreShownOnEitherSideOfTenTwelve) {
    FailedLoginFactory factory;
    for (const char* version : {"10.11.6", "10.12", "10.14.6"}) {
        SCOPED_TRACE(version);
        platform::SystemVersion::setOverride(std::string(version));
        // A failed login as the coordinator records it: the record now, the camera's photo 1.5 s later.
        factory.createAndSaveFailedLoginEventTakePhoto(true);
        advance(2);
        auto window = open();
        ASSERT_FALSE(window->listViewArray().empty());
        EXPECT_TRUE(window->listViewArray().front()->mugShotImageExists());
        EXPECT_FALSE(window->gridView->isHidden());
        // The notice is the one for photos being taken (type 9): no short text, its popover offers to
        // switch them off in the settings.
        EXPECT_EQ(window->popoverManager()->currentPopoverModel()->popoverDescriptionShort, "");
        EXPECT_EQ(window->notificationLable->stringValue(), "");
        window->notificationToggled(*window->notificationButton);
        EXPECT_EQ(window->popoverManager()->contentController()->label->stringValue(),
                  "disable_in_mac_control");
        window->popoverManager()->hidePopover();
    }
}

}  // namespace
}  // namespace kestrune::windowtests
