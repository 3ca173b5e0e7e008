#include "link/requests/RequestController.h"

#include "link/transport/RecoveryManager.h"
#include "platform/storage/UserDefaults.h"
#include "tests/link/LinkFixture.h"

using kestrune::DataManager;
using kestrune::PairingInfo;
using platform::Value;

namespace {

const std::string kNew = "PHONE-NEW";
const std::string kNewPeripheral = "0E7A1C55-3B1D-4F6A-9C2E-5D8B7A6F4E31";
const std::string kSecond = "PHONE-SECOND";
const std::string kSecondPeripheral = "7B2D9E40-1C3A-4E5F-8A6B-0D9C8E7F6A51";
const std::string kOld = "PHONE-OLD";

class RequestControllerTest : public linktests::LinkFixture {
protected:
    // Two new phones asking to pair, found while the set-up wizard has recovery mode on; an older
    // tracked phone is stored but away.
    void startPairing() {
        storePhone(kOld, PairingInfo::kConnectionStatusPaired, "B4C7");
        newPhone = addPhone(kNew, kNewPeripheral, "B4FE");
        secondPhone = addPhone(kSecond, kSecondPeripheral, "B4FE");
        // The old phone is not around: no tracked phone is connected, so the link looks for it and,
        // in recovery mode, for phones asking to pair.
        kestrune::RecoveryManager::shared().startRecoveryMode();
        start();
        scanAndSettle(4.0);
    }
    void refuseFirstAndOfferSecond(bool stillConnected);
    std::shared_ptr<platform::PhonePeripheral> newPhone, secondPhone;
};

}  // namespace

TEST_F(RequestControllerTest, ANewPhoneIsFoundStoredAcceptedAndPairedWithTheRightPassword) {
    startPairing();
    ASSERT_TRUE(newPhone->phone()->isAuthenticated());
    ASSERT_TRUE(device(kNew));
    ASSERT_TRUE(settings(kNew));
    EXPECT_TRUE(marked(kNew));
    auto serviceId = settings(kNew)->pairingInfo()->foregroundServiceId();
    ASSERT_TRUE(serviceId);
    EXPECT_EQ(serviceId->size(), 4u);
    EXPECT_NE(*serviceId, "B4FE");
    EXPECT_EQ(settings(kNew)->registeredDeviceUser()->username(), "ada");
    EXPECT_EQ(delegate->count("syncing:" + kNew), 1u);

    sendPairingRequest(newPhone, kNew);
    EXPECT_EQ(delegate->count("pairingRequest:" + kNew), 1u);
    EXPECT_EQ(status(kNew), PairingInfo::kConnectionStatusPairingRequested);
    EXPECT_EQ(DataManager::shared().pairingMobileDevice(), device(kNew));
    EXPECT_EQ(device(kNew)->mobileDeviceInfo()->deviceName(), "Ada's phone");

    controller->mobileDevice_connectionAccepted(device(kNew), true);
    advance(0.5);
    EXPECT_EQ(received(newPhone), std::vector<std::string>{"53|"});

    sendCredentials(newPhone, "s3cret pass");
    EXPECT_EQ(status(kNew), PairingInfo::kConnectionStatusPaired);
    EXPECT_EQ(status(kOld), PairingInfo::kConnectionStatusUnlinkedForAnotherPhone);
    EXPECT_EQ(status(kSecond), PairingInfo::kConnectionStatusUnlinkedForAnotherPhone);
    EXPECT_EQ(DataManager::shared().getTrackingMobileDevice(), device(kNew));
    EXPECT_EQ(DataManager::shared().passwordClearTextForMobileDevice(device(kNew)), "s3cret pass");
    EXPECT_EQ(delegate->count("paired:" + kNew + ":1"), 1u);
    auto messages = receivedRequests(newPhone);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(received(newPhone)[1], "52|6");
    EXPECT_EQ(messages[2], 35);
    // Only the paired phone's connection stays welcome; it keeps the link alive every 8 s and is the
    // peripheral the Mac remembers.
    EXPECT_EQ(ignoredFor(kSecondPeripheral), kestrune::LEScanner::kIgnorePermanently);
    EXPECT_EQ(ignoredFor(kNewPeripheral), 99u);
    auto connection =
        std::dynamic_pointer_cast<kestrune::LeScannerConnection>(link().dictOfConnections().at(kNew));
    EXPECT_EQ(connection->connectionManager().keepAliveInt(), 8);
    EXPECT_EQ(platform::UserDefaults::standard()->objectForKey("StoredDevices"),
              Value(Value::Array{Value(kNewPeripheral)}));

    // The password reached the disk only encrypted, and reads back after a restart.
    auto& reloaded = relaunch();
    auto stored = reloaded.getSavedDataModel()->dictOfPasswords()->at(kNew);
    EXPECT_EQ(stored.find("s3cret"), std::string::npos);
    EXPECT_EQ(reloaded.passwordClearTextForMobileDevice(reloaded.getTrackingMobileDevice()), "s3cret pass");
}

TEST_F(RequestControllerTest, RefusedCredentialsLeaveAnEmptyPasswordAndTellThePhone) {
    startPairing();
    sendPairingRequest(newPhone, kNew);
    struct Case {
        const char* what;
        std::function<void()> send;
    };
    std::vector<Case> cases = {
        {"wrong password", [&] { sendCredentials(newPhone, "guess"); }},
        {"right password, other user", [&] { sendCredentials(newPhone, "s3cret pass", "bob"); }},
        {"not decryptable",
         [&] {
             phoneSendsRecord(newPhone, 8, "DeviceUser", {{"username", "ada"}, {"password", "not*base64"}});
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        size_t before = received(newPhone).size();
        c.send();
        EXPECT_EQ(status(kNew), PairingInfo::kConnectionStatusCredentialsRefused);
        EXPECT_EQ(DataManager::shared().passwordClearTextForMobileDevice(device(kNew)), "");
        auto after = received(newPhone);
        ASSERT_EQ(after.size(), before + 2);
        EXPECT_EQ(after[before], "52|4");
        EXPECT_EQ(after[before + 1].substr(0, 3), "35|");
        EXPECT_FALSE(settings(kNew)->registeredDeviceUser()->password());
    }
    EXPECT_EQ(status(kOld), PairingInfo::kConnectionStatusPaired);
    EXPECT_EQ(delegate->matching("paired:").size(), 0u);
}

TEST_F(RequestControllerTest, AfterThreeWrongPasswordsNoneIsCheckedUntilTheBackOffHasPassed) {
    startPairing();
    sendPairingRequest(newPhone, kNew);
    for (int i = 0; i < 3; ++i) sendCredentials(newPhone, "guess");
    ASSERT_EQ(accounts->checks, 3);
    double remaining = controller->passwordAttemptLimiter().secondsUntilNextCheck();
    EXPECT_GT(remaining, 29.0);
    EXPECT_LE(remaining, 30.0);
    // Just inside the 30 s even the right password is refused, unchecked.
    advance(remaining - 0.2);
    sendCredentials(newPhone, "s3cret pass");
    EXPECT_EQ(accounts->checks, 3);
    EXPECT_EQ(status(kNew), PairingInfo::kConnectionStatusCredentialsRefused);
    auto texts = received(newPhone);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[texts.size() - 3], "74|15");
    EXPECT_EQ(texts[texts.size() - 2], "52|4");
    // Just after it, the right one is checked and accepted.
    advance(controller->passwordAttemptLimiter().secondsUntilNextCheck() + 0.01);
    sendCredentials(newPhone, "s3cret pass");
    EXPECT_EQ(accounts->checks, 4);
    EXPECT_EQ(status(kNew), PairingInfo::kConnectionStatusPaired);
    EXPECT_EQ(controller->passwordAttemptLimiter().consecutiveRefusals(), 0);
}

TEST_F(RequestControllerTest, AnotherPhonesGuessesNeitherUnlinkNorEmptyThePairedPhone) {
    startPairing();
    // The new phone is the paired one, with its password stored; the second phone guesses.
    auto& data = DataManager::shared();
    settings(kNew)->pairingInfo()->setConnectionStatus(
        platform::Number(PairingInfo::kConnectionStatusPaired));
    data.setClearTextPassword_forMobileDevice("s3cret pass", device(kNew));
    for (int i = 0; i < 3; ++i) sendCredentials(secondPhone, "guess");
    ASSERT_EQ(accounts->checks, 3);
    EXPECT_EQ(status(kSecond), PairingInfo::kConnectionStatusCredentialsRefused);
    ASSERT_FALSE(controller->passwordAttemptLimiter().mayCheckPassword());

    // The paired phone sends its credentials while no password is checked: nothing it has changes,
    // not even on disk, and it is told to try again later.
    size_t before = received(newPhone).size();
    sendCredentials(newPhone, "s3cret pass");
    EXPECT_EQ(accounts->checks, 3);
    auto reloaded = relaunch().settingsForDeviceId(kNew);
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->pairingInfo()->connectionStatus(),
              platform::Number(PairingInfo::kConnectionStatusPaired));
    EXPECT_EQ(DataManager::shared().passwordClearTextForMobileDevice(device(kNew)), "s3cret pass");
    auto after = received(newPhone);
    ASSERT_EQ(after.size(), before + 3);
    EXPECT_EQ(after[before], "74|15");
    EXPECT_EQ(after[before + 1], "52|6");
    EXPECT_EQ(after[before + 2].substr(0, 3), "35|");
    EXPECT_EQ(delegate->matching("paired:").size(), 0u);
    // The wait was not lengthened by the unchecked attempt.
    EXPECT_EQ(controller->passwordAttemptLimiter().backOff(),
              kestrune::PasswordAttemptLimiter::kFirstBackOff);
}

TEST_F(RequestControllerTest, TheBackOffDoublesUpToAnHourAndASuccessResetsIt) {
    kestrune::PasswordAttemptLimiter limiter;
    struct Step {
        double afterSeconds;  // virtual time before the attempt
        bool accepted;
        bool mayCheckBefore;
        double backOffAfter;
    };
    const std::vector<Step> steps = {
        {0, false, true, 0},         {0, false, true, 0},        {0, false, true, 30},
        {29.9, false, false, 30},    {0.2, false, true, 60},     {59.9, false, false, 60},
        {0.2, false, true, 120},     {120.1, false, true, 240},  {240.1, false, true, 480},
        {480.1, false, true, 960},   {960.1, false, true, 1920}, {1920.1, false, true, 3600},
        {3600.1, false, true, 3600}, {3600.1, true, true, 0},    {0, false, true, 0},
    };
    int n = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(n++);
        advance(step.afterSeconds);
        EXPECT_EQ(limiter.mayCheckPassword(), step.mayCheckBefore);
        if (step.accepted)
            limiter.passwordAccepted();
        else
            limiter.passwordRefused("P", limiter.mayCheckPassword());
        EXPECT_EQ(limiter.backOff(), step.backOffAfter);
    }
}

void RequestControllerTest::refuseFirstAndOfferSecond(bool stillConnected) {
    startPairing();
    sendPairingRequest(newPhone, kNew);
    sendPairingRequest(secondPhone, kSecond);
    EXPECT_EQ(delegate->matching("pairingRequest:"), std::vector<std::string>{"pairingRequest:" + kNew});
    EXPECT_EQ(DataManager::shared().getNextMobileDevice(), device(kSecond));
    if (!stillConnected) {
        secondPhone->walkAway(0.5);
        advance(3);
        ASSERT_FALSE(marked(kSecond));
    }
    controller->mobileDevice_connectionAccepted(device(kNew), false);
    double refusedAt = now();
    advance(0.2);
    EXPECT_EQ(received(newPhone).back(), "54|");
    EXPECT_EQ(status(kNew), PairingInfo::kConnectionStatusRefusedByUser);
    EXPECT_EQ(ignoredFor(kNewPeripheral), kestrune::LEScanner::kIgnorePermanently);
    EXPECT_FALSE(DataManager::shared().pairingMobileDevice());
    advance(1.49 - (now() - refusedAt));
    EXPECT_EQ(delegate->count("pairingRequest:" + kSecond), 0u);
    advance(0.02);
    EXPECT_EQ(delegate->count("pairingRequest:" + kSecond), stillConnected ? 1u : 0u);
}

TEST_F(RequestControllerTest, ARefusedPhoneIsBlacklistedForGoodAndTheQueuedOneOffered1500msLater) {
    refuseFirstAndOfferSecond(true);
}

TEST_F(RequestControllerTest, AQueuedPhoneNoLongerConnectedIsNotOffered) {
    refuseFirstAndOfferSecond(false);
}
