// What the photo window shows and why: the records with existing photos in the kinds' order, the free
// name for a saved share image, the match of a remembered record's photo, and the popover and notice
// chosen by camera and settings.

#include <gtest/gtest.h>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/support/Utilities.h"
#include "features/photos/PhotoCollection.h"
#include "features/photos/PhotoNotices.h"
#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

namespace {

class PhotoCollectionTest : public testsupport::KestruneTest {
protected:
    std::string touch(const std::string& name) {
        const std::string path = home() + "/" + name;
        EXPECT_TRUE(platform::Files::writeAtomically(path, platform::Data(std::vector<uint8_t>{1})));
        return path;
    }
    // A photo where the application keeps them.
    std::string photo(const std::string& folder, const std::string& name) {
        const std::string path = folder + "/" + name;
        EXPECT_TRUE(platform::Files::writeAtomically(path, platform::Data(std::vector<uint8_t>{1})));
        return path;
    }
    template <typename Entry>
    std::shared_ptr<BaseEntry> record(std::optional<std::string> path) {
        auto entry = Entry::init();
        entry->setImagePath(std::move(path));
        return entry;
    }
};

TEST_F(PhotoCollectionTest, ShownRecordsComeByKindAndOnlyWithTheirPhoto) {
    const std::string failedFolder = Utilities::applicationDataKestruneFailedLoginImagesDirectory();
    auto failedNew = record<FailedLoginEntry>(photo(failedFolder, "f2.png"));
    auto failedGone = record<FailedLoginEntry>(failedFolder + "/removed.png");
    auto failedOld = record<FailedLoginEntry>(photo(failedFolder, "f1.png"));
    auto noPhoto = record<FailedLoginEntry>(std::nullopt);
    auto login =
        record<LoginLogoutEntry>(photo(Utilities::applicationDataKestruneLoginImagesDirectory(), "l1.png"));
    auto snapshot = record<ManaulSnapshotEntry>(
        photo(Utilities::applicationDataKestruneManualSnapshotsImagesDirectory(), "m1.png"));
    const PhotoCollection::Entries failed{failedNew, failedGone, failedOld, noPhoto}, history{login},
        snapshots{snapshot};
    EXPECT_EQ(PhotoCollection::shownEntries(true, failed, true, history, true, snapshots),
              (PhotoCollection::Entries{failedNew, failedOld, login, snapshot}));
    EXPECT_EQ(PhotoCollection::shownEntries(false, failed, true, history, false, snapshots),
              (PhotoCollection::Entries{login}));
    // A photo removed outside the application is gone at the next gathering.
    platform::Files::remove(*failedNew->imagePath());
    EXPECT_EQ(PhotoCollection::shownEntries(true, failed, false, history, false, snapshots),
              (PhotoCollection::Entries{failedOld}));
}

TEST_F(PhotoCollectionTest, TheNextSavedImageTakesTheFirstFreeName) {
    EXPECT_EQ(PhotoCollection::firstFreeMugshotPath(home()), home() + "/kestrune_mugshot.png");
    touch("kestrune_mugshot.png");
    touch("kestrune_mugshot(1).png");
    touch("kestrune_mugshot(3).png");
    EXPECT_EQ(PhotoCollection::firstFreeMugshotPath(home()), home() + "/kestrune_mugshot(2).png");
    // Every name taken (up to a last number of 3 here; 9999 in the window): none.
    touch("kestrune_mugshot(2).png");
    EXPECT_EQ(PhotoCollection::kLastNumberedName, 9999);
    EXPECT_EQ(PhotoCollection::firstFreeMugshotPath(home(), 3), std::nullopt);
    EXPECT_EQ(PhotoCollection::firstFreeMugshotPath(home(), 4), home() + "/kestrune_mugshot(4).png");
}

TEST_F(PhotoCollectionTest, ARecordsPhotoMatchesByNameIgnoringCaseNeverAsAPattern) {
    auto entry = record<FailedLoginEntry>("/Users/ann/MugShots/2026-03-04 05:06:00.png");
    EXPECT_TRUE(PhotoCollection::imagePathMatches(*entry, "/users/ANN/mugshots/2026-03-04 05:06:00.PNG"));
    EXPECT_FALSE(PhotoCollection::imagePathMatches(*entry, "/Users/ann/MugShots/*.png"));
    EXPECT_FALSE(PhotoCollection::imagePathMatches(*entry, "/Users/ann/MugShots/2026-03-04 05:06:0?.png"));
    auto starred = record<FailedLoginEntry>("/tmp/*.png");
    EXPECT_FALSE(PhotoCollection::imagePathMatches(*starred, "/tmp/a.png"));
    EXPECT_TRUE(PhotoCollection::imagePathMatches(*starred, "/tmp/*.png"));
    EXPECT_FALSE(PhotoCollection::imagePathMatches(*record<FailedLoginEntry>(std::nullopt), ""));
}

TEST_F(PhotoCollectionTest, ThePopoverTypeTable) {
    struct Case {
        bool camera, failedOn, loginsOn;
        int32_t failedType, loginType;
    };
    const Case cases[] = {
        {true, true, false, 9, 6}, {true, false, true, 7, 8},  {false, false, false, 4, 5},
        {true, true, true, 9, 8},  {false, true, false, 4, 5}, {true, false, false, 7, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.camera << c.failedOn << c.loginsOn);
        PhotoNotices::Facts facts{c.camera, c.failedOn, c.loginsOn};
        EXPECT_EQ(PhotoNotices::popoverTypeForFailedLoginAttempts(true, facts), c.failedType);
        EXPECT_EQ(PhotoNotices::popoverTypeForFailedLoginAttempts(false, facts), c.loginType);
    }
}

TEST_F(PhotoCollectionTest, TheNoticeByCameraAndSetting) {
    PhotoNotices::Facts facts{false, true, true};
    EXPECT_EQ(PhotoNotices::noPictureTextKey(false, facts), "no_appropriate_camera_attached");
    EXPECT_EQ(PhotoNotices::noPictureImageName(facts), "wizzard_refund_smiley");
    facts.hasCamera = true;
    EXPECT_EQ(PhotoNotices::noPictureImageName(facts), "placeholder");
    EXPECT_EQ(PhotoNotices::noPictureTextKey(true, facts), "no_detected_logins_photo attempts");
    EXPECT_EQ(PhotoNotices::noPictureTextKey(false, facts), "no_login_photos");
    facts.takePhotoAfterEachLogin = facts.takePhotoOnFailedLogin = false;
    EXPECT_EQ(PhotoNotices::noPictureTextKey(true, facts), "enable_option_in_settings");
    EXPECT_EQ(PhotoNotices::noPictureTextKey(false, facts), "enable_option_in_settings");
}

}  // namespace
