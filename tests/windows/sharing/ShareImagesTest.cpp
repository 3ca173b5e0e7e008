// Share images: the two cards filled from a record, with or without its photo; the image window's
// sharing services and its save to the Documents folder, announced only once written.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "platform/services/UserNotificationBackend.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/ui/SharingService.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "windows/sharing/KestruneImageController.h"
#include "windows/sharing/MugShotGenerator.h"
#include "windows/sharing/MugShotGeneratorPathService.h"

namespace kestrune {
namespace {

constexpr double kMarch4th = 1772600760;  // 2026-03-04 05:06:00 UTC

class ShareImagesTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        // Pictures are read and written: the Cairo renderer decodes and encodes them.
        ui::CairoRenderer::installAsBackend();
        setenv("TZ", "UTC0", 1);
        tzset();
        setenv("KESTRUNE_COMPUTER_NAME", "Studio", 1);
        notifications_ = std::make_shared<platform::UserNotificationRecorder>();
        platform::UserNotificationBackend::install(notifications_);
    }
    void TearDown() override {
        platform::UserNotificationBackend::install(nullptr);
        unsetenv("KESTRUNE_COMPUTER_NAME");
        unsetenv("TZ");
        tzset();
        Fixture::TearDown();
    }

    // A photo of one colour, written where a record would point.
    std::string writePhoto(const std::string& name, uint32_t argb) {
        ui::Bitmap bitmap;
        bitmap.width = 64;
        bitmap.height = 48;
        bitmap.pixels.assign(64 * 48, argb);
        const std::string path = home() + "/" + name;
        EXPECT_TRUE(ui::Image::createWithBitmap(bitmap, {64, 48})->writePNGToFile(path));
        return path;
    }
    static std::shared_ptr<ui::Image> solid(uint32_t argb) {
        ui::Bitmap bitmap;
        bitmap.width = bitmap.height = 8;
        bitmap.pixels.assign(64, argb);
        return ui::Image::createWithBitmap(bitmap, {8, 8});
    }

    std::shared_ptr<platform::UserNotificationRecorder> notifications_;
};

TEST_F(ShareImagesTest, AFailedLoginCardShowsThePhotoTheDateAndTheMacsNameTilted) {
    auto entry = FailedLoginEntry::init();
    entry->setDate(platform::Date::dateWithTimeIntervalSince1970(kMarch4th));
    entry->setImagePath(writePhoto("failed.png", 0xff336699));
    auto card = MugShotGenerator::failedLoginCardForEntry(*entry);
    ASSERT_TRUE(card);
    ASSERT_TRUE(card->mugShotImageView->image());
    EXPECT_EQ(card->mugShotImageView->image()->size(), (ui::Size{64, 48}));
    EXPECT_EQ(card->mugShotImageView->layer()->cornerRadius(), 10.0);
    EXPECT_TRUE(card->mugShotImageView->layer()->masksToBounds());
    EXPECT_EQ(card->mugShotTextField->stringValue(), "2026-03-04 05:06");
    EXPECT_EQ(card->mugShotBottomTextField->stringValue(), "Studio");
    EXPECT_EQ(card->mugShotTextField->frameRotation(), 17.5);
    EXPECT_EQ(card->mugShotBottomTextField->frameRotation(), 17.5);
    EXPECT_FALSE(card->window()->isOpaque());

    // The picture is the card at the screen's scale, with the photo's colour in it.
    auto image = MugShotGenerator::generateMugshotFailedLoginEntry(*entry);
    ASSERT_TRUE(image && image->bitmap());
    EXPECT_EQ(image->size(), card->view->bounds().size);
    EXPECT_EQ(image->bitmap()->width, int(card->view->bounds().width() * 2));
    const auto photoCentre = card->mugShotImageView->frame();
    const auto pixel = image->bitmap()->rgbaAt(int(photoCentre.midX() * 2),
                                               int((card->view->bounds().height() - photoCentre.midY()) * 2));
    EXPECT_EQ(pixel.r, 0x33);
    EXPECT_EQ(pixel.b, 0x99);
}

TEST_F(ShareImagesTest, ACardWhosePhotoIsGoneKeepsAnEmptyPhotoArea) {
    auto entry = FailedLoginEntry::init();
    entry->setDate(platform::Date::dateWithTimeIntervalSince1970(kMarch4th));
    entry->setImagePath(home() + "/deleted.png");
    auto card = MugShotGenerator::failedLoginCardForEntry(*entry);
    ASSERT_TRUE(card);
    EXPECT_FALSE(card->mugShotImageView->image());
    EXPECT_EQ(card->mugShotTextField->stringValue(), "2026-03-04 05:06");
    EXPECT_TRUE(MugShotGenerator::generateMugshotFailedLoginEntry(*entry));

    auto undated = FailedLoginEntry::init();
    EXPECT_EQ(MugShotGenerator::failedLoginCardForEntry(*undated)->mugShotTextField->stringValue(), "");
}

TEST_F(ShareImagesTest, ALoginCardTellsHowAndWhenTheMacWasUnlocked) {
    ui::ImageRegistry::add("unlocked_with_wifi_icon", solid(0xff09d261));
    auto entry = LoginLogoutEntry::initWithEvent_date_reason(
        LoginLogoutEntry::kEventUnlocked, platform::Date::dateWithTimeIntervalSince1970(kMarch4th), 6);
    entry->setImagePath(writePhoto("login.png", 0xffcc3300));
    auto card = MugShotGenerator::loginCardForEntry(*entry);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->bustedImageView->image()->size(), (ui::Size{64, 48}));
    EXPECT_EQ(card->bustedImageView->layer()->cornerRadius(), 10.0);
    EXPECT_EQ(card->kestruneBottomIcon->image(), ui::Image::imageNamed("unlocked_with_wifi_icon"));
    EXPECT_EQ(card->mugShotTextField->stringValue(), entry->unlockDescription());
    EXPECT_EQ(card->mugShotBottomTextField->stringValue(), "2026-03-04 05:06");
    EXPECT_EQ(card->mugShotBottomTextField->frameRotation(), 0);
    EXPECT_TRUE(MugShotGenerator::generateLoginImageEntry(*entry));
}

TEST_F(ShareImagesTest, SharingHandsTheTextAndThePictureToTheService) {
    auto controller = KSWindowController::create<KestruneImageController>();
    auto picture = solid(0xff000000);
    controller->setImage(picture);
    ASSERT_TRUE(controller->imageView);
    EXPECT_EQ(controller->imageView->image(), picture);

    ui::Button sender;
    controller->facebookToggled(sender);
    controller->twitterToggled(sender);
    controller->flickrToggled(sender);
    controller->shareCurrentContextForService(ui::SharingService::kNameComposeMessage);
    controller->shareCurrentContextForService("NoSuchService");
    const auto shared = ui::SharingService::performed();
    ASSERT_EQ(shared.size(), 4u);
    EXPECT_EQ(shared[0].service, ui::SharingService::kNamePostOnFacebook);
    ASSERT_EQ(shared[0].items.size(), 2u);
    EXPECT_EQ(std::get<std::string>(shared[0].items[0]),
              "Nice try! Busted with Kestrune! https://kestrune.com");
    EXPECT_EQ(std::get<std::shared_ptr<ui::Image>>(shared[0].items[1]), picture);
    EXPECT_EQ(std::get<std::string>(shared[1].items[0]),
              "Nice try! Busted with Kestrune! https://kestrune.com  #kestrune via @kestrune");
    EXPECT_EQ(std::get<std::string>(shared[2].items[0]),
              "Mac mugshot taken by Kestrune! https://kestrune.com");
    EXPECT_EQ(std::get<std::string>(shared[3].items[0]), "Busted with Kestrune!");
    EXPECT_TRUE(logged("no service named NoSuchService"));
}

TEST_F(ShareImagesTest, SavingReplacesTheFileAndIsAnnouncedOnlyOnceWritten) {
    const std::string path = MugShotGenerator::mugShotFilePathInDocuments();
    EXPECT_EQ(path, platform::StandardFolders::documents() + "/Kestrune/kestrune_mughsot.png");
    EXPECT_EQ(MugShotGeneratorPathService().mugShotFilePathInDocuments(), path);
    auto controller = KSWindowController::create<KestruneImageController>();
    ui::Button sender;

    controller->setImage(solid(0xffff0000));
    controller->saveToDesktop(sender);
    auto saved = ui::Image::initWithContentsOfFile(path);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->bitmap()->rgbaAt(0, 0).r, 255);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(notifications_->delivered().size(), 1u);
    EXPECT_EQ(notifications_->delivered()[0].identifier, "kKestruneRegularMugshotSavedNotification");
    EXPECT_EQ(notifications_->delivered()[0].informativeText, "mugshot_image_saved_to_documents");

    // A second save replaces the file and the notification.
    controller->setImage(solid(0xff0000ff));
    controller->saveToDesktop(sender);
    EXPECT_EQ(ui::Image::initWithContentsOfFile(path)->bitmap()->rgbaAt(0, 0).b, 255);
    EXPECT_EQ(notifications_->delivered().size(), 1u);

    // A failed write keeps the last picture and says nothing.
    notifications_->removeAll();
    controller->setImage(solid(0xff00ff00));
    platform::Files::failNextWriteAfter(10);
    controller->saveToDesktop(sender);
    EXPECT_EQ(ui::Image::initWithContentsOfFile(path)->bitmap()->rgbaAt(0, 0).b, 255);
    EXPECT_TRUE(notifications_->delivered().empty());
    EXPECT_TRUE(logged("could not be saved"));

    controller->setImage(nullptr);
    controller->saveToDesktop(sender);
    EXPECT_TRUE(notifications_->delivered().empty());
}

}  // namespace
}  // namespace kestrune
