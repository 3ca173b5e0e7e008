#include "app/records/MobileSettings.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/support/Localizable.h"
#include "platform/base/Log.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/app/RecordArchiveHelpers.h"

using namespace kestrune;
using platform::Number;

namespace {

class MobileSettingsTest : public recordtests::DataManagerFixture {
protected:
    static std::shared_ptr<MobileSettings> fullSettings() {
        auto user = DeviceUser::init();
        user->setUsername("ada");
        user->setFullName("Ada Lovelace");
        user->setIdNumber(Number(501));
        user->setHasPassword(Number(true));
        auto settings = MobileSettings::initWithUnId_andDeviceUser("phone-1", user);
        settings->setDistanceFromDevice(Number(63));
        settings->mobileDeviceTrackInfo()->setDistanceToLogin(Number(70));
        settings->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(Number(true));
        settings->iOSSettings()->setIOSVersion("3.2");
        settings->iOSSettings()->setIOSSystemVersion("12.1");
        settings->iOSSettings()->setIOSPushId("push-token");
        settings->OSXSettings()->setOSXVersion("1.0.0");
        settings->OSXSettings()->setOSXSystemVersion("10.14.6 ");
        settings->OSXSettings()->setLastConnectionTimestamp(Number(1700000000.25));
        settings->pairingInfo()->setConnectionStatus(Number(6));
        settings->pairingInfo()->setForegroundServiceId("C123");
        settings->pairingInfo()->setForegroundServiceId2("C456");
        return settings;
    }

    static void expectSameFields(const PayloadRecord& a, const PayloadRecord& b) {
        for (const auto& property : a.declaredProperties()) {
            SCOPED_TRACE(property.name);
            platform::Value left = a.valueForProperty(property.name);
            platform::Value right = b.valueForProperty(property.name);
            auto nestedLeft = PayloadRecord::payloadRecordIn(left);
            auto nestedRight = PayloadRecord::payloadRecordIn(right);
            if (nestedLeft || nestedRight) {
                ASSERT_TRUE(nestedLeft && nestedRight);
                expectSameFields(*nestedLeft, *nestedRight);
            } else {
                EXPECT_EQ(left, right);
            }
        }
    }
};

}  // namespace

TEST_F(MobileSettingsTest, InitWithUnIdFillsEveryNestedRecordWithDefaults) {
    testsupport::LogCapture log;
    // Said at the log's usual level, with the debug switch off.
    platform::Log::setDebug(false);
    auto settings = MobileSettings::initWithUnId("phone-1");
    EXPECT_TRUE(log.contains("Updating connection status: Default Value!!"));
    ASSERT_TRUE(settings->registeredDeviceUser());
    EXPECT_FALSE(settings->registeredDeviceUser()->username());
    EXPECT_FALSE(settings->distanceFromDevice());
    EXPECT_EQ(settings->pairingInfo()->connectionStatus(), std::optional<Number>(Number(1)));
    auto& track = *settings->mobileDeviceTrackInfo();
    EXPECT_EQ(track.shouldTrackMobileDevice(), std::optional<Number>(Number(true)));
    ASSERT_TRUE(track.distanceToLogin());
    EXPECT_EQ(track.distanceToLogin()->stringValue(), "60");
    EXPECT_EQ(track.deviceResponsibleForLastChange(), std::optional<Number>(Number(2)));
    EXPECT_FALSE(track.isTemporaryDisabled());
    EXPECT_EQ(settings->OSXSettings()->installAuthMethod(), std::optional<Number>(Number(2)));
    EXPECT_EQ(settings->iOSSettings()->batteryPercent(), std::optional<Number>(Number(100)));
}

TEST_F(MobileSettingsTest, EveryFieldRoundTripsThroughAnArchive) {
    auto settings = fullSettings();
    auto data = recordtests::archive(platform::Value(settings));
    EXPECT_EQ(recordtests::storedKeys(data, "MobileSettings"),
              (std::set<std::string>{"unId", "mobileDeviceTrackInfo", "registeredDeviceUser",
                                     "distanceFromDevice", "iOSSettings", "OSXSettings", "pairingInfo"}));
    auto decoded = recordtests::unarchive<MobileSettings>(data);
    ASSERT_TRUE(decoded);
    expectSameFields(*settings, *decoded);
}

TEST_F(MobileSettingsTest, AnArchiveWithoutNestedRecordsGetsThemWithDefaults) {
    auto older =
        recordtests::withoutKeys(recordtests::archive(platform::Value(fullSettings())),
                                 {"pairingInfo", "mobileDeviceTrackInfo", "iOSSettings", "OSXSettings"});
    auto decoded = recordtests::unarchive<MobileSettings>(older);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->unId(), std::optional<std::string>("phone-1"));
    EXPECT_EQ(decoded->distanceFromDevice(), std::optional<Number>(Number(63)));
    ASSERT_TRUE(decoded->pairingInfo());
    EXPECT_EQ(decoded->pairingInfo()->connectionStatus(), std::optional<Number>(Number(1)));
    EXPECT_FALSE(decoded->pairingInfo()->foregroundServiceId());
    EXPECT_FALSE(decoded->pairingInfo()->foregroundServiceId2());
    ASSERT_TRUE(decoded->mobileDeviceTrackInfo());
    EXPECT_EQ(decoded->mobileDeviceTrackInfo()->shouldTrackMobileDevice(),
              std::optional<Number>(Number(true)));
    ASSERT_TRUE(decoded->iOSSettings() && decoded->OSXSettings());
    EXPECT_EQ(decoded->iOSSettings()->language(), std::optional<std::string>("de"));
    EXPECT_EQ(decoded->OSXSettings()->passwordScreenAuthMethod(), std::optional<Number>(Number(2)));

    // A bare record keeps its empty user and distance; only the four nested records are filled.
    auto bare = recordtests::roundTrip(MobileSettings::init());
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->unId());
    EXPECT_FALSE(bare->registeredDeviceUser());
    EXPECT_FALSE(bare->distanceFromDevice());
    EXPECT_TRUE(bare->pairingInfo() && bare->mobileDeviceTrackInfo() && bare->iOSSettings() &&
                bare->OSXSettings());
}

TEST_F(MobileSettingsTest, PairingInfoFillsServiceIdentifiersButNotTheStatus) {
    auto info = std::make_shared<PairingInfo>();  // as decoding starts: no status
    auto decoded = recordtests::roundTrip(info);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->connectionStatus());
    EXPECT_EQ(decoded->foregroundServiceId(), std::optional<std::string>("B4FE"));
    EXPECT_EQ(decoded->foregroundServiceId2(), std::optional<std::string>("B4FE"));

    auto paired = PairingInfo::init();
    paired->setConnectionStatus(Number(5));
    paired->setForegroundServiceId("C111");
    auto kept = recordtests::roundTrip(paired);
    EXPECT_EQ(kept->connectionStatus(), std::optional<Number>(Number(5)));
    EXPECT_EQ(kept->foregroundServiceId(), std::optional<std::string>("C111"));
    EXPECT_EQ(kept->foregroundServiceId2(), std::optional<std::string>("B4FE"));
}

TEST_F(MobileSettingsTest, CopiesAreDeepAndAPairingCopyWithoutStatusHasStatusZero) {
    auto settings = fullSettings();
    auto copy = settings->customCopy();
    expectSameFields(*settings, *copy);
    EXPECT_NE(copy->mobileDeviceTrackInfo(), settings->mobileDeviceTrackInfo());
    EXPECT_NE(copy->registeredDeviceUser(), settings->registeredDeviceUser());
    EXPECT_NE(copy->iOSSettings(), settings->iOSSettings());
    EXPECT_NE(copy->OSXSettings(), settings->OSXSettings());
    EXPECT_NE(copy->pairingInfo(), settings->pairingInfo());

    auto noStatus = std::make_shared<PairingInfo>();
    EXPECT_EQ(noStatus->customCopy()->connectionStatus(), std::optional<Number>(Number(0)));

    auto bare = MobileSettings::init()->customCopy();
    EXPECT_FALSE(bare->pairingInfo() || bare->iOSSettings() || bare->registeredDeviceUser());
}

TEST_F(MobileSettingsTest, TrackInfoComparesIntegerValuesWithEmptyAsZero) {
    auto a = MobileDeviceTrackInfo::initWithDefaultSettings();
    auto b = a->copyCustom();
    EXPECT_TRUE(a->isSameAs(*b));
    b->setProxLockTemporaryDisabledBecauseLogin(std::nullopt);
    EXPECT_TRUE(a->isSameAs(*b));
    b->setDistanceToLogin(Number(60.7));  // compared as integers
    EXPECT_TRUE(a->isSameAs(*b));
    b->setDistanceToLogin(Number(61));
    EXPECT_FALSE(a->isSameAs(*b));

    a->setProxLockTemporaryDisabledBecauseLogout(Number(true));
    EXPECT_TRUE(a->isTemporaryDisabled());
    a->resetTemporaryDisabledFlags();
    EXPECT_FALSE(a->isTemporaryDisabled());
    EXPECT_EQ(a->proxLockTemporaryDisabledBecauseLogout(), std::optional<Number>(Number(false)));

    auto empty = recordtests::roundTrip(MobileDeviceTrackInfo::init());
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->shouldTrackMobileDevice() || empty->distanceToLogin());
}

// The lock distance is a single-precision number: its archive holds a 4-byte real, referred to from the
// record as any number object is. Archives whose reals all took 8 bytes still read.
TEST_F(MobileSettingsTest, TheLockDistanceIsStoredAsASingleRealAndEightByteOnesStillRead) {
    const std::string single("\x22\x42\x70\x00\x00", 5);                // 60.0 in 4 bytes
    const std::string wide("\x23\x40\x4E\x00\x00\x00\x00\x00\x00", 9);  // 60.0 in 8 bytes
    auto stored = recordtests::archive(platform::Value(MobileDeviceTrackInfo::initWithDefaultSettings()));
    EXPECT_NE(stored.toString().find(single), std::string::npos);
    EXPECT_EQ(stored.toString().find(wide), std::string::npos);
    const auto objects = recordtests::objectTable(stored);
    for (const auto& object : objects) {
        if (recordtests::classNameOf(objects, object) != MobileDeviceTrackInfo::kClassName) continue;
        auto reference = object["distanceToLogin"]["CF$UID"].number();
        ASSERT_TRUE(reference);
        EXPECT_EQ(objects.at(size_t(reference->intValue())), platform::Value(60.0));
    }
    auto back = recordtests::unarchive<MobileDeviceTrackInfo>(stored);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->distanceToLogin(), std::optional<Number>(Number(60.0)));

    auto older = platform::PropertyList::dataFromValue(*platform::PropertyList::valueFromData(stored),
                                                       platform::PropertyList::Format::Binary);
    ASSERT_TRUE(older);
    ASSERT_NE(older->toString().find(wide), std::string::npos);
    auto fromOlder = recordtests::unarchive<MobileDeviceTrackInfo>(*older);
    ASSERT_TRUE(fromOlder);
    EXPECT_EQ(fromOlder->distanceToLogin(), std::optional<Number>(Number(60.0)));
    EXPECT_NE(recordtests::archive(platform::Value(fromOlder)).toString().find(single), std::string::npos);

    // Within the phone's settings too; a distance the Mac set as a whole number stays an integer.
    auto settings = fullSettings();
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(Number(60.0f));
    EXPECT_NE(recordtests::archive(platform::Value(settings)).toString().find(single), std::string::npos);
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(Number(60));
    auto whole = recordtests::roundTrip(settings);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->mobileDeviceTrackInfo()->distanceToLogin()->isIntegral());
}

TEST_F(MobileSettingsTest, BatteryLevelsAndWarning) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    const std::pair<int, int> levels[] = {{9, 1}, {10, 2}, {19, 2}, {20, 3}, {79, 3}, {80, 4}, {100, 4}};
    for (auto [percent, level] : levels) {
        settings->iOSSettings()->setBatteryPercent(Number(percent));
        EXPECT_EQ(settings->currentBatteryLevel(), level) << percent;
    }
    settings->iOSSettings()->setBatteryPercent(Number(19));
    settings->iOSSettings()->setIOSCharging(Number(false));
    EXPECT_TRUE(settings->shouldShowBatteryWarning());
    settings->iOSSettings()->setIOSCharging(Number(true));
    EXPECT_FALSE(settings->shouldShowBatteryWarning());
    settings->iOSSettings()->setIOSCharging(Number(false));
    settings->iOSSettings()->setBatteryPercent(Number(20));
    EXPECT_FALSE(settings->shouldShowBatteryWarning());
}

TEST_F(MobileSettingsTest, PendingConfirmationsAndKnocking) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    auto& mac = *settings->OSXSettings();
    mac.setIsWaitingForConfirmation(Number(2));
    mac.setPasswordScreenAuthMethod(Number(3));
    mac.setOnApproachAuthMethod(Number(3));
    EXPECT_TRUE(settings->isPendingPasswordShownLoginConfirmation());
    EXPECT_FALSE(settings->isPendingRSSILoginConfirmation());
    EXPECT_TRUE(settings->shouldKnockToLogin());

    mac.setPasswordScreenAuthMethod(Number(2));  // confirm on the phone, no knock
    EXPECT_TRUE(settings->isPendingAnyLoginConfirmation());
    EXPECT_FALSE(settings->shouldKnockToLogin());

    mac.setIsWaitingForConfirmation(Number(1));
    mac.setOnApproachAuthMethod(Number(0));
    EXPECT_FALSE(settings->isPendingAnyLoginConfirmation());
    EXPECT_FALSE(settings->shouldKnockToLogin());

    mac.setOnApproachAuthMethod(Number(3));
    EXPECT_TRUE(settings->isPendingRSSILoginConfirmation());
    EXPECT_TRUE(settings->shouldKnockToLogin());

    // The lock screen shows the lock while tracking is on, paused, or a knock is awaited.
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(false));
    EXPECT_TRUE(settings->shouldShowLockOnScreen());
    mac.setIsWaitingForConfirmation(Number(0));
    EXPECT_FALSE(settings->shouldShowLockOnScreen());
    settings->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogout(Number(true));
    EXPECT_TRUE(settings->shouldShowLockOnScreen());
}

TEST_F(MobileSettingsTest, TrackingAndApplicationStateQuestions) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    auto& phone = *settings->iOSSettings();
    phone.setUseMotionTracking(Number(false));
    phone.setIOSCharging(Number(false));
    EXPECT_FALSE(settings->shouldConstantlyTrackDeviceDistance());
    phone.setIOSCharging(Number(true));
    EXPECT_TRUE(settings->shouldConstantlyTrackDeviceDistance());
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(false));
    EXPECT_FALSE(settings->shouldConstantlyTrackDeviceDistance());

    for (auto [state, update] : {std::pair{0, true}, {1, false}, {2, true}, {3, false}}) {
        phone.setIOSapplicationState(Number(state));
        EXPECT_EQ(settings->shouldUpdateRemoteRssiForCurrentApplicationState(), update) << state;
    }
}

TEST_F(MobileSettingsTest, SystemVersionCodes) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    EXPECT_EQ(settings->osXSystemVersion(), 0);
    const std::pair<const char*, int> versions[] = {{"10.9.5 ", 1},  {"10.10.5", 2}, {"10.11.6 ", 3},
                                                    {"10.12.6 ", 4}, {"10.13.1", 0}, {"10.10", 0}};
    for (auto [text, code] : versions) {
        settings->OSXSettings()->setOSXSystemVersion(text);
        EXPECT_EQ(settings->osXSystemVersion(), code) << text;
    }
}

TEST_F(MobileSettingsTest, DistanceTextsUseThePhonesMetric) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    settings->iOSSettings()->setChosenMetric(Number(2));
    settings->setDistanceFromDevice(Number(63));
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(Number(70));
    EXPECT_EQ(settings->currentDistanceString(), "2:63");
    EXPECT_EQ(settings->distanceToLockString(), "2:70");
    EXPECT_EQ(settings->calculate(45), "2:45");
    EXPECT_EQ(settings->lockUnlockDistance(), 70.0);
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(Number(72.9));
    EXPECT_EQ(settings->lockUnlockDistance(), 72.0);

    setLocalizedStringLookup(
        [](const std::string& key) -> std::optional<std::string> { return "<" + key + ">"; });
    EXPECT_EQ(settings->distanceDescriptionString(), "<distance>");
    settings->iOSSettings()->setChosenMetric(Number(3));
    EXPECT_EQ(settings->distanceDescriptionString(), "<signal_strength>");
    setLocalizedStringLookup(nullptr);
}

TEST_F(MobileSettingsTest, PrettyPrintShowsTheLockDistanceJustAfterADoubleCheck) {
    auto& manager = relaunch();
    auto settings = MobileSettings::initWithUnId("phone-1");
    settings->iOSSettings()->setChosenMetric(Number(1));
    settings->setDistanceFromDevice(Number(63));
    (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;

    EXPECT_EQ(settings->rssiPrettyPrint(), "1:63");  // never double-checked
    manager.localSettingsForDevice("phone-1")->deviceIsDoubleChecking();
    EXPECT_EQ(settings->rssiPrettyPrint(), "1:60");
    advance(0.49);
    EXPECT_EQ(settings->rssiPrettyPrint(), "1:60");
    advance(0.02);
    EXPECT_EQ(settings->rssiPrettyPrint(), "1:63");
}

TEST_F(MobileSettingsTest, LocalSettingsAreCopiedIntoTheRecord) {
    relaunch();
    auto& local = DeviceLocalSettings::shared();
    local.setAllowLoginOnApproach(false);
    local.setAllowLogoutOnWalkAway(true);
    local.setLoginOnApproach(false);
    local.setAllowCloserDistances(true);
    local.setMacSleepScreenUnlockConfirmLogin(3);
    local.setAuthRequest(0);
    local.setProximityUnlockVerification(2);
    local.setEnableSiriLock(false);
    local.setEnableSiriUnlock(true);
    local.setProximityLockIsOn(true);
    local.setProximityLockDistance(75);

    auto user = DeviceUser::init();
    user->setUsername("ada");
    auto settings = MobileSettings::initWithUnId_andDeviceUser("phone-1", user);
    settings->updateMobileSettingsWithLocalSettings();
    EXPECT_EQ(user->hasPassword(), std::optional<Number>(Number(true)));
    auto& mac = *settings->OSXSettings();
    EXPECT_EQ(mac.allowLogin(), std::optional<Number>(Number(false)));
    EXPECT_TRUE(mac.allowLogin()->isBoolean());
    EXPECT_EQ(mac.allowLogout(), std::optional<Number>(Number(true)));
    EXPECT_EQ(mac.wakeScreenOnApproach(), std::optional<Number>(Number(false)));
    EXPECT_EQ(mac.allowCloserDistances(), std::optional<Number>(Number(true)));
    EXPECT_EQ(mac.passwordScreenAuthMethod(), std::optional<Number>(Number(3)));
    EXPECT_EQ(mac.installAuthMethod(), std::optional<Number>(Number(0)));
    EXPECT_EQ(mac.onApproachAuthMethod(), std::optional<Number>(Number(2)));
    EXPECT_EQ(mac.allowSiriLock(), std::optional<Number>(Number(false)));
    EXPECT_EQ(mac.allowSiriUnlock(), std::optional<Number>(Number(true)));
    EXPECT_EQ(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice(),
              std::optional<Number>(Number(true)));
    EXPECT_EQ(settings->mobileDeviceTrackInfo()->distanceToLogin()->stringValue(), "75");

    session->enabledUsers.clear();
    settings->updateMobileSettingsWithLocalSettings();
    EXPECT_EQ(user->hasPassword(), std::optional<Number>(Number(false)));
}

TEST_F(MobileSettingsTest, UpdateKestruneSetsTheLocalSwitchTheSideAndEndsAPause) {
    relaunch();
    auto settings = MobileSettings::initWithUnId("phone-1");
    settings->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(Number(true));
    settings->updateKestrune_responsibleDevice(false, 1);
    EXPECT_FALSE(DeviceLocalSettings::shared().proximityLockIsOn());
    EXPECT_EQ(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice(),
              std::optional<Number>(Number(false)));
    EXPECT_EQ(settings->mobileDeviceTrackInfo()->deviceResponsibleForLastChange()->intValue(), 1);
    EXPECT_FALSE(settings->mobileDeviceTrackInfo()->isTemporaryDisabled());
    settings->updateKestrune_responsibleDevice(true, 2);
    EXPECT_TRUE(DeviceLocalSettings::shared().proximityLockIsOn());
}

TEST_F(MobileSettingsTest, LastConnectionTimestampIsNow) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    advance(12.5);
    settings->updateLastConnectionTimestamp();
    EXPECT_DOUBLE_EQ(settings->OSXSettings()->lastConnectionTimestamp()->doubleValue(), now());
}

TEST_F(MobileSettingsTest, LocalRecordStampsSurviveAnArchive) {
    auto local = MobileSettingsLocal::init();
    EXPECT_FALSE(local->disconnectTimestamp().isSet());
    EXPECT_EQ(local->kestruneConfirmedLocation(), 0);
    local->setKestruneConfirmedLocation(2);
    advance(100);
    local->deviceDidDisconnect();
    advance(5);
    local->deviceIsDoubleChecking();
    advance(1);
    auto data = recordtests::archive(platform::Value(local));
    EXPECT_EQ(recordtests::storedKeys(data, "MobileSettingsLocal"),
              (std::set<std::string>{"disconnectTimestampNumber", "kestruneLocationNumber",
                                     "lastDoubleCheckTimestampNumber"}));
    auto decoded = recordtests::unarchive<MobileSettingsLocal>(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->kestruneConfirmedLocation(), 2);
    EXPECT_DOUBLE_EQ(decoded->secondSinceLastDisconnect(), 6.0);
    EXPECT_DOUBLE_EQ(decoded->secondSinceLastDoubleCheck(), 1.0);

    auto empty = recordtests::roundTrip(MobileSettingsLocal::init());
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->disconnectTimestamp().isSet());
    EXPECT_FALSE(empty->lastDoubleCheckTimestamp().isSet());
    EXPECT_FALSE(empty->kestruneLocationNumber());
}
