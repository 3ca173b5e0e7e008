#include "app/store/ApplicationDataModel.h"

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/records/SafeWifiEntry.h"
#include "app/records/WifiUnlockConfig.h"
#include "app/support/Utilities.h"
#include "platform/storage/Files.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/app/RecordArchiveHelpers.h"

using namespace kestrune;
using platform::Files;
using platform::Number;

namespace {

class ApplicationDataModelTest : public recordtests::DataManagerFixture {
protected:
    static std::shared_ptr<WifiUnlockConfig> switchOf(const ApplicationDataModel& model) {
        return std::dynamic_pointer_cast<WifiUnlockConfig>(model.wifiUnlockConfig());
    }

    static std::shared_ptr<ApplicationDataModel> fullModel() {
        auto model = ApplicationDataModel::init();
        auto when = platform::Date::dateWithTimeIntervalSince1970(1700000000);
        auto snapshot = ManaulSnapshotEntry::init();
        snapshot->setDate(when);
        snapshot->setImagePath("/ManualSnapshots/s.png");
        auto failed = FailedLoginEntry::init();
        failed->setDate(when);
        auto newer = LoginLogoutEntry::initWithEvent_date_reason(3, when.dateByAddingTimeInterval(5), 4);
        auto older = LoginLogoutEntry::initWithEvent_date_reason(2, when, 1);
        auto wifi = SafeWifiEntry::init();
        wifi->setSsidName("Home");
        wifi->setBssid("aa:bb:cc:dd:ee:ff");
        auto config = WifiUnlockConfig::init();
        config->setWifiUnlockTurnedOn(Number(false));
        model->setArrayOfManualSnapshots(ApplicationDataModel::EntryList{snapshot});
        model->setArrayOfFailedLogins(ApplicationDataModel::EntryList{failed});
        model->setArrayOfLoginLogouts(ApplicationDataModel::EntryList{newer, older});
        model->setArrayOfSafeWifi(ApplicationDataModel::EntryList{wifi});
        model->setWifiUnlockConfig(config);
        return model;
    }
};

}  // namespace

TEST_F(ApplicationDataModelTest, FirstLaunchHasFourEmptyListsAndTheSwitchOn) {
    auto& manager = relaunch();
    auto model = manager.applicationData();
    ASSERT_TRUE(model);
    EXPECT_TRUE(model->arrayOfManualSnapshots()->empty());
    EXPECT_TRUE(model->arrayOfFailedLogins()->empty());
    EXPECT_TRUE(model->arrayOfLoginLogouts()->empty());
    EXPECT_TRUE(model->arrayOfSafeWifi()->empty());
    auto config = switchOf(*model);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->wifiUnlockTurnedOn(), std::optional<Number>(Number(true)));
}

TEST_F(ApplicationDataModelTest, EveryListAndTheSwitchSurviveARelaunch) {
    auto& manager = relaunch();
    auto full = fullModel();
    auto loaded = manager.applicationData();
    *loaded = *full;
    ASSERT_TRUE(manager.saveApplicationData());

    auto bytes = Files::read(Utilities::applicationDataKestruneDirectoryFilePath());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(recordtests::storedKeys(*bytes, "ApplicationDataModel"),
              (std::set<std::string>{"arrayOfManualSnapshots", "arrayOfFailedLogins", "arrayOfloginLogouts",
                                     "arrayOfSafeWifi", "safeWifiConfig"}));

    auto model = relaunch().applicationData();
    ASSERT_EQ(model->arrayOfLoginLogouts()->size(), 2u);
    auto newest = std::dynamic_pointer_cast<LoginLogoutEntry>(model->arrayOfLoginLogouts()->at(0));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->event()->intValue(), 3);
    EXPECT_EQ(newest->responsible()->intValue(), 4);
    auto snapshot = std::dynamic_pointer_cast<ManaulSnapshotEntry>(model->arrayOfManualSnapshots()->at(0));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->imagePath(), std::optional<std::string>("/ManualSnapshots/s.png"));
    ASSERT_EQ(model->arrayOfFailedLogins()->size(), 1u);
    EXPECT_FALSE(
        std::dynamic_pointer_cast<FailedLoginEntry>(model->arrayOfFailedLogins()->at(0))->imagePath());
    auto wifi = std::dynamic_pointer_cast<SafeWifiEntry>(model->arrayOfSafeWifi()->at(0));
    ASSERT_TRUE(wifi);
    EXPECT_EQ(wifi->bssid(), std::optional<std::string>("aa:bb:cc:dd:ee:ff"));
    ASSERT_TRUE(switchOf(*model));
    EXPECT_EQ(switchOf(*model)->wifiUnlockTurnedOn(), std::optional<Number>(Number(false)));
}

TEST_F(ApplicationDataModelTest, AnOlderFileGetsEmptyListsAndTheSwitchOn) {
    auto full = fullModel();
    auto older = recordtests::withoutKeys(recordtests::archive(platform::Value(full)),
                                          {"arrayOfSafeWifi", "safeWifiConfig", "arrayOfManualSnapshots"});
    ASSERT_TRUE(Files::writeAtomically(Utilities::applicationDataKestruneDirectoryFilePath(), older));
    auto model = relaunch().applicationData();
    EXPECT_TRUE(model->arrayOfSafeWifi()->empty());
    EXPECT_TRUE(model->arrayOfManualSnapshots()->empty());
    EXPECT_EQ(model->arrayOfLoginLogouts()->size(), 2u);
    ASSERT_TRUE(switchOf(*model));
    EXPECT_EQ(switchOf(*model)->wifiUnlockTurnedOn(), std::optional<Number>(Number(true)));
}

TEST_F(ApplicationDataModelTest, ARecordInTheWrongListIsDropped) {
    auto model = ApplicationDataModel::init();
    auto wifi = SafeWifiEntry::init();
    wifi->setSsidName("Cafe");
    model->setArrayOfFailedLogins(ApplicationDataModel::EntryList{wifi, FailedLoginEntry::init()});
    model->setWifiUnlockConfig(wifi);
    testsupport::LogCapture log;
    auto decoded = recordtests::roundTrip(model);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->arrayOfFailedLogins()->size(), 1u);
    EXPECT_EQ(decoded->arrayOfFailedLogins()->at(0)->className(), "FailedLoginEntry");
    EXPECT_FALSE(decoded->wifiUnlockConfig());
    EXPECT_TRUE(log.contains("arrayOfFailedLogins"));
}

TEST_F(ApplicationDataModelTest, RemovingAllEntriesOfAKindEmptiesOnlyThatList) {
    auto model = fullModel();
    model->removeAllLoginLogoutEntries();
    EXPECT_TRUE(model->arrayOfLoginLogouts()->empty());
    EXPECT_EQ(model->arrayOfFailedLogins()->size(), 1u);
    model->removeAllFailedLoginEntries();
    model->removeAllManualSnapshotEntries();
    EXPECT_TRUE(model->arrayOfFailedLogins()->empty());
    EXPECT_TRUE(model->arrayOfManualSnapshots()->empty());
    EXPECT_EQ(model->arrayOfSafeWifi()->size(), 1u);
}
