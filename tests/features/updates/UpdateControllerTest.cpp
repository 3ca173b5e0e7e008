#include "features/updates/UpdateController.h"

#include <cstdlib>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/support/KSUrlManager.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/SleepDurationTracker.h"
#include "features/updates/UpdateNotificationHelper.h"
#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/SettableReachability.h"

using namespace kestrune;
using platform::Number;
using platform::Value;

namespace {

class UpdateControllerTest : public recordtests::DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        MacDisplayControl::resetSharedForTesting();
        SleepDurationTracker::resetSharedForTesting();
        UpdateController::resetSharedForTesting();
        testsupport::SettableReachability::install(platform::kReachabilityReachable);
        ASSERT_TRUE(server.start());
        setenv(KSUrlManager::kConfigEnvironmentVariable, server.url("/config.plist").c_str(), 1);
        ASSERT_EQ(platform::Bundle::main().shortVersionString(), "1.0.0");
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            UpdateController::kUpdateStateChanged, nullptr,
            [this](const platform::Notification&) { ++stateChanges; });
    }
    void TearDown() override {
        observation.remove();
        runUntilIdle();
        UpdateController::resetSharedForTesting();
        server.stop();
        unsetenv(KSUrlManager::kConfigEnvironmentVariable);
        platform::ReachabilityBackend::install(nullptr);
        MacDisplayControl::resetSharedForTesting();
        SleepDurationTracker::resetSharedForTesting();
        DataManagerFixture::TearDown();
    }

    void serve(const std::string& iOSVersion, const std::string& macVersion) {
        testsupport::LoopbackServer::Answer answer;
        auto data = platform::PropertyList::dataFromValue(
            Value(Value::Dictionary{{"iOSVersion", iOSVersion}, {"macVersion", macVersion}}),
            platform::PropertyList::Format::XML);
        answer.body.assign(reinterpret_cast<const char*>(data->bytes()), data->size());
        server.setDefaultAnswer(answer);
    }

    std::shared_ptr<MobileSettings> addTrackedPhone(std::optional<std::string> version, bool connected) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        auto preferences = iOSPreferences::init();
        preferences->setIOSVersion(std::move(version));
        settings->setIOSSettings(preferences);
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
        return settings;
    }

    UpdateController& startController() {
        auto& controller = UpdateController::shared();
        runUntilIdle();
        return controller;
    }

    testsupport::LoopbackServer server;
    platform::NotificationCenter::Observation observation;
    int stateChanges = 0;
};

}  // namespace

TEST_F(UpdateControllerTest, TheSameVersionIsUpToDateAndANumericallyHigherOneIsNewer) {
    auto settings = addTrackedPhone("3.6.1", true);
    serve("3.6.1", "1.0.0");
    auto& controller = startController();
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(controller.iOSVersionIsUpToDate());
    EXPECT_FALSE(controller.newiOSVersion());
    EXPECT_TRUE(controller.macVersionIsUpToDate());
    EXPECT_FALSE(controller.anyNewVersionAvailable());
    EXPECT_EQ(stateChanges, 0);

    serve("3.10", "1.0.10");
    advance(1801);
    controller.checkForUpdates();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_TRUE(controller.newiOSVersion());
    EXPECT_FALSE(controller.iOSVersionIsUpToDate());
    EXPECT_TRUE(controller.newMacVersion());
    EXPECT_FALSE(controller.macVersionIsUpToDate());
    EXPECT_EQ(stateChanges, 2);

    // The same answer again changes no flag and posts nothing; the phone catching up clears one.
    controller.verifyIfUpdatesAvalable();
    runUntilIdle();
    EXPECT_EQ(stateChanges, 2);
    settings->iOSSettings()->setIOSVersion("3.10.0");
    controller.verifyIfUpdatesAvalable();
    runUntilIdle();
    EXPECT_FALSE(controller.newiOSVersion());
    EXPECT_TRUE(controller.iOSVersionIsUpToDate());
    EXPECT_TRUE(controller.anyNewVersionAvailable());
    EXPECT_EQ(stateChanges, 3);
}

TEST_F(UpdateControllerTest, WithoutAFetchedConfigurationOrAPhoneNothingIsNewer) {
    auto& controller = startController();  // the server answers an empty body: nothing is fetched
    EXPECT_EQ(server.requestCount(), 1u);
    UpdateController::VersionFacts facts = controller.currentVersionFacts();
    EXPECT_FALSE(facts.configFetched);
    controller.checkIfNewMacVersionAvalable(facts);
    EXPECT_FALSE(controller.newMacVersion());

    // Fetched, but no phone is tracked: the phone's flags say nothing either way.
    facts.configFetched = true;
    facts.configiOSVersion = "9.0";
    facts.configMacVersion = "9.0";
    controller.checkIfNewiOSVersionAvalable(facts);
    EXPECT_FALSE(controller.newiOSVersion());
    EXPECT_FALSE(controller.iOSVersionIsUpToDate());
    facts.trackedPhone = true;  // a phone that reports no version
    controller.checkIfNewiOSVersionAvalable(facts);
    EXPECT_FALSE(controller.newiOSVersion());
    controller.checkIfNewMacVersionAvalable(facts);
    EXPECT_TRUE(controller.newMacVersion());
}

TEST_F(UpdateControllerTest, AConfigurationVersionThatIsNotDottedNumbersNeverWarns) {
    // Installed: 1.0.0. Compared as texts, each of these would pass for a newer version.
    addTrackedPhone("3.6.1", true);
    serve("3.6.1-beta", "latest");
    auto& controller = startController();
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_FALSE(controller.newMacVersion());
    EXPECT_FALSE(controller.macVersionIsUpToDate()) << "missing: not compared at all";
    EXPECT_FALSE(controller.newiOSVersion());
    UpdateNotificationHelper helper;
    EXPECT_FALSE(helper.shouldWarnUserAboutNewKestruneVersionForMacOSX());
    EXPECT_FALSE(helper.shouldWarnUserAboutNewIosUpdate());

    serve("3.7", "1.0.0-beta");
    advance(1801);
    controller.checkForUpdates();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_FALSE(controller.newMacVersion());
    EXPECT_TRUE(controller.newiOSVersion()) << "the other version of the document still counts";
}

TEST_F(UpdateControllerTest, EachWarningComesAtMostOnceADay) {
    addTrackedPhone("3.6.1", true);
    serve("3.7", "2.0");
    startController();
    UpdateNotificationHelper helper;
    EXPECT_TRUE(helper.shouldWarnUserAboutNewIosUpdate());
    EXPECT_TRUE(helper.shouldWarnUserAboutNewKestruneVersionForMacOSX());
    helper.didWarnUserAboutiOSUpdate();
    EXPECT_FALSE(helper.shouldWarnUserAboutNewIosUpdate());
    EXPECT_TRUE(helper.shouldWarnUserAboutNewKestruneVersionForMacOSX());
    helper.didWarnUserAboutOSXUpdate();
    advance(86400);
    EXPECT_FALSE(helper.shouldWarnUserAboutNewIosUpdate());
    EXPECT_FALSE(helper.shouldWarnUserAboutNewKestruneVersionForMacOSX());
    advance(0.01);
    EXPECT_TRUE(helper.shouldWarnUserAboutNewIosUpdate());
    EXPECT_TRUE(helper.shouldWarnUserAboutNewKestruneVersionForMacOSX());

    // The phone must be connected to hear about its update.
    DataManager::shared().getTrackingMobileDevice()->mobileDeviceConnectionInfo()->setIsConnected(
        Number(false));
    EXPECT_FALSE(helper.shouldWarnUserAboutNewIosUpdate());
}
