#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/SessionInfo.h"
#include "app/records/iOSPreferences.h"
#include "link/requests/RequestController.h"
#include "link/requests/VersionFeatureChecker.h"
#include "tests/link/LinkFixture.h"

using kestrune::DataManager;
using platform::Number;
using platform::Value;

namespace {

const std::string kPhone = linktests::kTrackedPhone;
const std::string S = "\u02FD";
const std::string D = "\u2021";

class RequestDispatchTest : public linktests::ConnectedPhoneFixture {
protected:
    void SetUp() override {
        ConnectedPhoneFixture::SetUp();
        delegate->events.clear();
        motion->count = 0;
    }
};

}  // namespace

TEST_F(RequestDispatchTest, EachRequestFromThePhoneReachesItsDelegateCallWithItsPayload) {
    struct Case {
        int32_t request;
        std::optional<std::string> payload;
        std::vector<std::string> events;
        int motions;
    };
    const std::vector<Case> cases = {
        {1, std::nullopt, {"distance:PHONE-T:57"}, 1},
        {11, "3", {"connectionStatus:PHONE-T:3"}, 0},
        {11, std::nullopt, {}, 0},
        {13, "2", {"applicationState:PHONE-T:2"}, 0},
        {37, "1", {"loginConfirmed:PHONE-T:1"}, 0},
        {37, std::nullopt, {}, 0},
        {50, "Auth", {"authConfirmed:PHONE-T:Auth"}, 0},
        {101, "12", {"phoneNotification:12"}, 0},
        {104, "from the phone", {"clipboard:PHONE-T:from the phone"}, 0},
        {105, "1", {"clipboardCopied:PHONE-T:1"}, 0},
        {105, "0", {"clipboardCopied:PHONE-T:0"}, 0},
        {36, "1" + D + "2", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        delegate->events.clear();
        motion->count = 0;
        phoneSends(phone, c.request, c.payload);
        EXPECT_EQ(delegate->events, c.events);
        EXPECT_EQ(motion->count, c.motions);
    }
    EXPECT_TRUE(received(phone).empty());
}

TEST_F(RequestDispatchTest, IgnoredNumbersAndUndecodableTextsReachNothing) {
    std::vector<int32_t> ignored = {0, 102, 103, 106, -1};
    for (int32_t n = 2; n <= 6; ++n) ignored.push_back(n);
    for (int32_t n = 14; n <= 34; ++n) ignored.push_back(n);
    for (int32_t n = 38; n <= 48; ++n) ignored.push_back(n);
    for (int32_t n = 51; n <= 100; ++n) ignored.push_back(n);
    auto before = settings(kPhone)->customCopy();
    for (int32_t n : ignored) phone->phone()->sendApplicationMessage(n, "1");
    // An application text without a separator does not decode.
    phone->phone()->sendTransportText("\u02FE112\u02FEno separator here");
    advance(3);
    EXPECT_TRUE(delegate->events.empty());
    EXPECT_TRUE(received(phone).empty());
    EXPECT_EQ(motion->count, 0);
    EXPECT_EQ(settings(kPhone)->pairingInfo()->connectionStatus(), before->pairingInfo()->connectionStatus());
    EXPECT_TRUE(settings(kPhone)->mobileDeviceTrackInfo()->isSameAs(*before->mobileDeviceTrackInfo()));
}

TEST_F(RequestDispatchTest, PhoneSettingsAreStoredAndReported) {
    phoneSendsRecord(phone, 10, "iOSPreferences", {{"iOSVersion", "3.7"}, {"language", "fr"}});
    EXPECT_EQ(delegate->events, std::vector<std::string>{"phoneSettings:PHONE-T"});
    EXPECT_EQ(settings(kPhone)->iOSSettings()->language(), "fr");
    EXPECT_TRUE(kestrune::VersionFeatureChecker::feature_supportedOnDevice(0, device(kPhone)));
    settings(kPhone)->iOSSettings()->setIOSVersion("3.6.0");
    EXPECT_FALSE(kestrune::VersionFeatureChecker::feature_supportedOnDevice(0, device(kPhone)));
    EXPECT_FALSE(kestrune::VersionFeatureChecker::feature_supportedOnDevice(
        0, kestrune::MobileDevice::initWithUnId("X")));
}

TEST_F(RequestDispatchTest, SessionOfTheRunningUserSendsNotification14AndReportsChangesOnly) {
    auto mac = DataManager::shared().getActiveDesktopDevice();
    mac->sessionInfo()->setUserIsLoggedIn(Number(true));
    // Another user: nothing at all.
    phoneSendsRecord(phone, 9, "SessionInfo", {{"userIdLoggedIn", "bob"}, {"userIsLoggedIn", 0}});
    EXPECT_TRUE(delegate->events.empty());
    EXPECT_TRUE(received(phone).empty());
    // The running user, unchanged: notification 14 and the session report only.
    phoneSendsRecord(phone, 9, "SessionInfo", {{"userIdLoggedIn", "ada"}, {"userIsLoggedIn", 1}});
    EXPECT_EQ(delegate->events, std::vector<std::string>{"session:PHONE-T"});
    EXPECT_EQ(received(phone), std::vector<std::string>{"74|14"});
    // Changed: the logout command, and the payload becomes the Mac's session.
    delegate->events.clear();
    phoneSendsRecord(phone, 9, "SessionInfo", {{"userIdLoggedIn", "ada"}, {"userIsLoggedIn", 0}});
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"logout:PHONE-T", "session:PHONE-T"}));
    EXPECT_FALSE(
        DataManager::shared().getActiveDesktopDevice()->sessionInfo()->userIsLoggedIn()->boolValue());
    delegate->events.clear();
    phoneSendsRecord(phone, 9, "SessionInfo", {{"userIdLoggedIn", "ada"}, {"userIsLoggedIn", 1}});
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"login:PHONE-T", "session:PHONE-T"}));
}

TEST_F(RequestDispatchTest, TrackingChangesAreReportedSentBackAndRepeatsOnlyReReadTheSignal) {
    auto stored = settings(kPhone)->mobileDeviceTrackInfo();
    ASSERT_TRUE(stored->shouldTrackMobileDevice()->boolValue());
    Value::Dictionary changed = {{"shouldTrackMobileDevice", 0},
                                 {"distanceToLogin", 70},
                                 {"deviceResponsibleForLastChange", 1},
                                 {"proxLockTemporaryDisabledBecauseLogin", 1},
                                 {"proxLockTemporaryDisabledBecauseLogout", 0}};
    size_t reads = backend->count("readRSSI");
    phoneSendsRecord(phone, 35, "MobileDeviceTrackInfo", changed);
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"tracking:PHONE-T:0", "trackingDistance:PHONE-T:70",
                                                          "distance:PHONE-T:57"}));
    auto now = settings(kPhone)->mobileDeviceTrackInfo();
    EXPECT_EQ(now->distanceToLogin()->intValue(), 70);
    EXPECT_FALSE(now->isTemporaryDisabled());
    ASSERT_EQ(received(phone).size(), 1u);
    EXPECT_EQ(received(phone)[0], "35|1" + D + "70" + D + "0" + D + "0" + D + "0");
    EXPECT_EQ(motion->count, 2);
    EXPECT_GT(backend->count("readRSSI"), reads);

    // The same record again: nothing sent back, no change reported, but the signal is read again.
    delegate->events.clear();
    reads = backend->count("readRSSI");
    changed["proxLockTemporaryDisabledBecauseLogin"] = 0;
    phoneSendsRecord(phone, 35, "MobileDeviceTrackInfo", changed);
    EXPECT_EQ(received(phone).size(), 1u);
    EXPECT_EQ(delegate->events, std::vector<std::string>{"distance:PHONE-T:57"});
    EXPECT_GT(backend->count("readRSSI"), reads);
}

TEST_F(RequestDispatchTest, DeviceUpdateReplacesThePhonesInformationAndSaves) {
    phoneSendsRecord(phone, 49, "MobileDevice",
                     {{"unId", kPhone},
                      {"mobileDeviceInfo", Value::Dictionary{{"deviceName", "Renamed"}}},
                      {"mobileDeviceConnectionInfo", Value::Dictionary{{"isConnected", 1}}}});
    EXPECT_EQ(device(kPhone)->mobileDeviceInfo()->deviceName(), "Renamed");
    EXPECT_TRUE(delegate->events.empty());
    auto& reloaded = relaunch();
    auto stored = reloaded.getSavedDataModel()->dictOfAllMobileDevice()->at(kPhone);
    EXPECT_EQ(stored->mobileDeviceInfo()->deviceName(), "Renamed");
}

TEST_F(RequestDispatchTest, SendAllAnswersWithTheMacTheSettingsAndAQuestionForTheName) {
    phoneSends(phone, 7);
    EXPECT_EQ(receivedRequests(phone), (std::vector<int32_t>{32, 40, 51}));
    EXPECT_EQ(DataManager::shared().getActiveDesktopDevice()->sessionInfo()->deviceResponsibleForLastChange(),
              Number(2));
    // Once the phone's name is known, request 51 is no longer asked.
    device(kPhone)->mobileDeviceInfo()->setDeviceName("Ada's phone");
    phoneSends(phone, 7);
    EXPECT_EQ(receivedRequests(phone), (std::vector<int32_t>{32, 40, 51, 32, 40}));
}

TEST_F(RequestDispatchTest, AMessageFromAPhoneWithoutStoredRecordsIsIgnored) {
    auto model = DataManager::shared().getSavedDataModel();
    model->dictOfMobileDeviceSettings()->erase(kPhone);
    phoneSends(phone, 101, "12");
    phoneSends(phone, 1);
    EXPECT_TRUE(delegate->events.empty());
    model->dictOfAllMobileDevice()->erase(kPhone);
    phoneSends(phone, 101, "12");
    EXPECT_TRUE(delegate->events.empty());
}

TEST_F(RequestDispatchTest, RSSIReadingsPassTheIntakeGateAndArriveAsMagnitudes) {
    intake->accept = true;
    phone->setRSSI(-67);
    advance(2.5);
    link().executeScan();
    advance(0.5);
    ASSERT_FALSE(intake->readings.empty());
    EXPECT_EQ(intake->readings.back(), "PHONE-T:67");
    EXPECT_EQ(delegate->events.back(), "distance:PHONE-T:67");
    // Refused by the gate: the reading changes nothing and reaches nobody.
    intake->accept = false;
    delegate->events.clear();
    phone->setRSSI(-80);
    controller->checkRSSIForMobileDeviceAndNotifyDelegate(device(kPhone));
    advance(0.5);
    EXPECT_TRUE(delegate->events.empty());
    EXPECT_EQ(settings(kPhone)->distanceFromDevice(), Number(67));
}
