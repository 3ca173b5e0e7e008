#include "features/wifi/SafeWifiManager.h"

#include <vector>

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/WifiUnlockConfig.h"
#include "app/support/Utilities.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/storage/Files.h"
#include "tests/app/DataManagerFixture.h"

using namespace kestrune;
using platform::Number;

namespace {

class SafeWifiManagerTest : public recordtests::DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        wifi = platform::SimulatedWifi::create();
        wifi->install();
        SafeWifiManager::resetSharedForTesting();
        observations.push_back(platform::NotificationCenter::defaultCenter().addObserver(
            SafeWifiManager::kWifiChangedNotification, nullptr, [this](const platform::Notification& note) {
                wifiChanges.push_back({now(), note.sender});
            }));
        observations.push_back(platform::NotificationCenter::defaultCenter().addObserver(
            SafeWifiManager::kSafeWifiChangedOnOffState, nullptr,
            [this](const platform::Notification& note) { switchChanges.push_back(note.sender); }));
    }
    void TearDown() override {
        observations.clear();
        SafeWifiManager::resetSharedForTesting();
        runUntilIdle();
        platform::WifiBackend::install(nullptr);
        DataManagerFixture::TearDown();
    }

    static void addTrackedPhone() {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
    }

    static std::shared_ptr<SafeWifiEntry> entry(const std::string& name, const std::string& bssid) {
        auto made = SafeWifiEntry::init();
        made->setSsidName(name);
        made->setBssid(bssid);
        return made;
    }

    static std::vector<std::string> storedBssids(SafeWifiManager& manager) {
        std::vector<std::string> out;
        for (const auto& object : manager.safeWifiEntries())
            out.push_back(std::dynamic_pointer_cast<SafeWifiEntry>(object)->bssid().value_or(""));
        return out;
    }

    struct Change {
        double at;
        const void* sender;
    };
    std::shared_ptr<platform::SimulatedWifi> wifi;
    std::vector<platform::NotificationCenter::Observation> observations;
    std::vector<Change> wifiChanges;
    std::vector<const void*> switchChanges;
};

}  // namespace

TEST_F(SafeWifiManagerTest, OneEntryCoversEveryAccessPointOfANetworkName) {
    auto& manager = SafeWifiManager::shared();
    EXPECT_TRUE(manager.addSafeWifiEntry(entry("Home", "aa:aa:aa:aa:aa:01")));
    EXPECT_FALSE(manager.addSafeWifiEntry(entry("Home", "aa:aa:aa:aa:aa:02")));
    EXPECT_TRUE(manager.addSafeWifiEntry(entry("Office", "bb:bb:bb:bb:bb:01")));
    EXPECT_EQ(storedBssids(manager), (std::vector<std::string>{"aa:aa:aa:aa:aa:01", "bb:bb:bb:bb:bb:01"}));
    // An entry without a name equals nothing, not even another without a name.
    EXPECT_TRUE(manager.addSafeWifiEntry(SafeWifiEntry::init()));
    EXPECT_TRUE(manager.addSafeWifiEntry(SafeWifiEntry::init()));
    EXPECT_FALSE(manager.removeSafeWifiEntry(SafeWifiEntry::init()));
    EXPECT_EQ(manager.safeWifiEntries().size(), 4u);

    // Older archives may hold one name twice: removing by either access point removes both.
    manager.safeWifiEntries().push_back(entry("Home", "aa:aa:aa:aa:aa:03"));
    EXPECT_TRUE(manager.removeSafeWifiEntry(entry("Home", "ff:ff:ff:ff:ff:ff")));
    EXPECT_EQ(storedBssids(manager), (std::vector<std::string>{"bb:bb:bb:bb:bb:01", "", ""}));
    EXPECT_FALSE(manager.removeSafeWifiEntry(entry("Home", "aa:aa:aa:aa:aa:01")));

    // The current network is found whatever access point it is joined through.
    wifi->join("Office", "bb:bb:bb:bb:bb:99");
    auto current = manager.currentlyConnectedApplicationdataSafeWifiEntry();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->bssid(), std::optional<std::string>("bb:bb:bb:bb:bb:01"));
    auto generated = manager.generateCurrentConnectedWifiEntry();
    ASSERT_TRUE(generated);
    EXPECT_EQ(generated->bssid(), std::optional<std::string>("bb:bb:bb:bb:bb:99"));
}

TEST_F(SafeWifiManagerTest, TheSwitchCountsOnlyWithTrustedNetworksAndPostsOnlyChanges) {
    auto& manager = SafeWifiManager::shared();
    addTrackedPhone();
    wifi->join("Home", "aa:aa:aa:aa:aa:01");
    EXPECT_FALSE(manager.safeWifiTurnedOn());  // stored on, but nothing is trusted
    EXPECT_FALSE(manager.shouldUnlockForSafeWifi());

    manager.setSafeWifiTurnedOn(true);  // already on
    EXPECT_TRUE(switchChanges.empty());
    manager.setSafeWifiTurnedOn(false);
    manager.setSafeWifiTurnedOn(false);
    ASSERT_EQ(switchChanges.size(), 1u);
    EXPECT_EQ(switchChanges[0], &manager);

    ASSERT_TRUE(manager.addSafeWifiEntry(manager.generateCurrentConnectedWifiEntry()));
    EXPECT_FALSE(manager.safeWifiTurnedOn());
    EXPECT_FALSE(manager.shouldUnlockForSafeWifi());
    EXPECT_TRUE(manager.isConectedToSafeWifi());  // the switch plays no part here
    manager.setSafeWifiTurnedOn(true);
    EXPECT_EQ(switchChanges.size(), 2u);
    EXPECT_TRUE(manager.safeWifiTurnedOn());
    EXPECT_TRUE(manager.shouldUnlockForSafeWifi());
}

TEST_F(SafeWifiManagerTest, UnlockNeedsATrackedPhoneAndTheTrustedNetworkJoined) {
    auto& manager = SafeWifiManager::shared();
    manager.addSafeWifiEntry(entry("Home", "aa:aa:aa:aa:aa:01"));
    wifi->join("Home", "aa:aa:aa:aa:aa:07");
    EXPECT_EQ(manager.wifiState(), SafeWifiManager::kWifiStateNoTrackedPhone);
    EXPECT_TRUE(manager.isConectedToSafeWifi());
    EXPECT_FALSE(manager.shouldUnlockForSafeWifi());

    addTrackedPhone();
    EXPECT_EQ(manager.wifiState(), SafeWifiManager::kWifiStateTrackedPhone);
    EXPECT_TRUE(manager.shouldUnlockForSafeWifi());

    wifi->join("Cafe", "cc:cc:cc:cc:cc:01");
    EXPECT_FALSE(manager.isConectedToSafeWifi());
    EXPECT_FALSE(manager.shouldUnlockForSafeWifi());
    wifi->join("Home", "aa:aa:aa:aa:aa:01");
    wifi->setPower(false);
    EXPECT_FALSE(manager.generateCurrentConnectedWifiEntry());
    EXPECT_FALSE(manager.shouldUnlockForSafeWifi());
    wifi->join("Home", "aa:aa:aa:aa:aa:01");
    wifi->setHardwarePresent(false);
    EXPECT_FALSE(manager.isConectedToSafeWifi());
    EXPECT_FALSE(manager.shouldUnlockForSafeWifi());
}

TEST_F(SafeWifiManagerTest, ANameChangeIsToldAfterATenthOfASecondOtherChangesAtOnce) {
    auto& manager = SafeWifiManager::shared();
    runUntilIdle();
    const double start = now();
    wifi->join("Home", "aa:aa:aa:aa:aa:01");  // link at once, the name later
    runUntilIdle();
    ASSERT_EQ(wifiChanges.size(), 1u);
    EXPECT_EQ(wifiChanges[0].at, start);
    EXPECT_EQ(wifiChanges[0].sender, &manager);
    advance(0.099);
    EXPECT_EQ(wifiChanges.size(), 1u);
    advance(0.001);
    ASSERT_EQ(wifiChanges.size(), 2u);
    EXPECT_NEAR(wifiChanges[1].at - start, 0.1, 1e-6);

    wifiChanges.clear();
    wifi->setMode(2);
    runUntilIdle();
    EXPECT_EQ(wifiChanges.size(), 1u);
    wifi->setPower(false);  // power and link at once, the name (now none) later
    runUntilIdle();
    EXPECT_EQ(wifiChanges.size(), 3u);
    advance(0.1);
    EXPECT_EQ(wifiChanges.size(), 4u);
}

TEST_F(SafeWifiManagerTest, ANameThatIsNotTextIsStoredAsHexAndStillMatchesAfterARelaunch) {
    const std::string bytes = std::string("Caf\xe9", 4) + std::string(1, '\0') + "!";
    wifi->join(bytes, "aa:aa:aa:aa:aa:01");
    addTrackedPhone();
    {
        auto& manager = SafeWifiManager::shared();
        auto current = manager.generateCurrentConnectedWifiEntry();
        ASSERT_TRUE(current);
        EXPECT_EQ(current->ssidName(), std::optional<std::string>("0x436166e90021"));
        ASSERT_TRUE(manager.addSafeWifiEntry(current));
        manager.saveWifiEntries();
    }
    // A UTF-8 name is kept as it is.
    wifi->join("Caf\xc3\xa9", "aa:aa:aa:aa:aa:02");
    auto utf8 = SafeWifiManager::shared().generateCurrentConnectedWifiEntry();
    EXPECT_EQ(utf8->ssidName(), std::optional<std::string>("Caf\xc3\xa9"));

    relaunch();
    SafeWifiManager::resetSharedForTesting();
    addTrackedPhone();
    auto& manager = SafeWifiManager::shared();
    EXPECT_FALSE(manager.isConectedToSafeWifi());
    wifi->join(bytes, "aa:aa:aa:aa:aa:01");
    EXPECT_TRUE(manager.isConectedToSafeWifi());
    EXPECT_TRUE(manager.shouldUnlockForSafeWifi());
}

TEST_F(SafeWifiManagerTest, ChangesReachTheDiskOnlyWithTheNextSave) {
    {
        auto& manager = SafeWifiManager::shared();
        manager.addSafeWifiEntry(entry("Home", "aa:aa:aa:aa:aa:01"));
        manager.setSafeWifiTurnedOn(false);
    }
    relaunch();
    SafeWifiManager::resetSharedForTesting();
    {
        auto& manager = SafeWifiManager::shared();
        EXPECT_TRUE(manager.safeWifiEntries().empty());
        manager.addSafeWifiEntry(entry("Home", "aa:aa:aa:aa:aa:01"));
        EXPECT_TRUE(manager.safeWifiTurnedOn());
        manager.setSafeWifiTurnedOn(false);
        // A quit saves the application data with its history entry.
        ASSERT_TRUE(DataManager::shared().saveApplicationData());
    }
    relaunch();
    SafeWifiManager::resetSharedForTesting();
    auto& manager = SafeWifiManager::shared();
    EXPECT_EQ(manager.safeWifiEntries().size(), 1u);
    EXPECT_FALSE(manager.safeWifiTurnedOn());
    manager.setSafeWifiTurnedOn(true);
    EXPECT_TRUE(manager.safeWifiTurnedOn());
}
