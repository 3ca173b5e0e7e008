#include "app/records/FailedLoginEntry.h"

#include "app/records/ManaulSnapshotEntry.h"
#include "platform/storage/Files.h"
#include "tests/app/RecordArchiveHelpers.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

namespace {
class FailedLoginEntryTest : public testsupport::KestruneTest {};
}  // namespace

TEST_F(FailedLoginEntryTest, PhotoRecordsStoreTheirFieldsUnderTheirOwnKeys) {
    auto when = platform::Date::dateWithTimeIntervalSince1970(1600000000);
    auto failed = FailedLoginEntry::init();
    failed->setDate(when);
    failed->setImagePath("/MugShots/a.png");
    auto snapshot = ManaulSnapshotEntry::init();
    snapshot->setDate(when.dateByAddingTimeInterval(60));
    snapshot->setImagePath("/ManualSnapshots/b.png");

    auto data = recordtests::archive(platform::Value(platform::Value::Array{failed, snapshot}));
    EXPECT_EQ(recordtests::storedKeys(data, "FailedLoginEntry"),
              (std::set<std::string>{"failedLoginDate", "failedLoginImagePath"}));
    EXPECT_EQ(recordtests::storedKeys(data, "ManaulSnapshotEntry"),
              (std::set<std::string>{"manaulSnapshotDate", "manaulSnapshotImagePath"}));
    EXPECT_EQ(recordtests::storedClassHierarchy(data, "ManaulSnapshotEntry"),
              (platform::Value::Array{"ManaulSnapshotEntry", "BaseEntry", "NSObject"}));

    platform::Value root = platform::KeyedUnarchiver::unarchiveObjectWithData(data);
    ASSERT_TRUE(root.array() && root.array()->size() == 2);
    auto failedBack = (*root.array())[0].objectAs<FailedLoginEntry>();
    auto snapshotBack = (*root.array())[1].objectAs<ManaulSnapshotEntry>();
    ASSERT_TRUE(failedBack && snapshotBack);
    EXPECT_EQ(failedBack->date(), failed->date());
    EXPECT_EQ(failedBack->imagePath(), failed->imagePath());
    EXPECT_EQ(snapshotBack->date(), snapshot->date());
    EXPECT_EQ(snapshotBack->imagePath(), snapshot->imagePath());
}

TEST_F(FailedLoginEntryTest, EmptyFieldsStayEmpty) {
    auto failed = recordtests::roundTrip(FailedLoginEntry::init());
    ASSERT_TRUE(failed);
    EXPECT_FALSE(failed->date() || failed->imagePath());
    auto snapshot = recordtests::roundTrip(ManaulSnapshotEntry::init());
    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->date() || snapshot->imagePath());
}

TEST_F(FailedLoginEntryTest, APhotoExistsOnlyWithAPathAndAFile) {
    auto entry = FailedLoginEntry::init();
    EXPECT_FALSE(entry->mugShotImageExists());
    std::string path = home() + "/photo.png";
    entry->setImagePath(path);
    EXPECT_FALSE(entry->mugShotImageExists());
    ASSERT_TRUE(platform::Files::writeAtomically(path, platform::Data::fromString("png")));
    EXPECT_TRUE(entry->mugShotImageExists());
}
