#include <gtest/gtest.h>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "engine/coordinator/EngineLinkServices.h"
#include "engine/coordinator/StateMachine.h"
#include "link/message/MessageFactory.h"
#include "link/requests/MotionDetection.h"
#include "link/requests/RequestController.h"
#include "link/transport/AccountServices.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/Files.h"
#include "platform/system/ProcessInfo.h"
#include "tests/engine/CoordinatorFixture.h"

using namespace kestrune;
using platform::Number;

namespace {

// The machine's acts that would reach outside the test (network, login items, the process) are dropped;
// the Bluetooth facts are the real ones of a Mac without a controller.
struct QuietSystem : CoordinatorSystem {
    void setupLoginItems() override {}
    void checkIfDeviceUnlinkedRemotely() override {}
    void relaunchAfterDelay(double) override {}
    void terminate() override {}
};

class CoordinatorLinkTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        DataManager::resetSharedForTesting();
    }
    void TearDown() override {
        platform::FileEventSource::cancelAllForTesting();
        machine.reset();
        runUntilIdle();
        DataManager::resetSharedForTesting();
        SessionTest::TearDown();
    }
    void startCoordinator() {
        CoordinatorServices services;
        services.system = std::make_shared<QuietSystem>();
        machine = StateMachine::create(services);
        machine->applicationDidFinishLoading(false);
        advance(0.5);
    }
    std::shared_ptr<MobileDevice> storePhone(const std::string& unId) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId(unId);
        auto settings = MobileSettings::initWithUnId(unId);
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        (*manager.model()->dictOfAllMobileDevice())[unId] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[unId] = settings;
        return phone;
    }
    std::shared_ptr<StateMachine> machine;
};

}  // namespace

TEST_F(CoordinatorLinkTest, EngineAnswersTheLinksAccountAndMotionQuestionsFromTheSession) {
    const std::string user = platform::ProcessInfo::shared().userName();
    // Before the engine is installed no password logs in.
    EXPECT_FALSE(AccountServices::current()->checkIfPassword_validForUserName("password", user));
    installEngineLinkServices();
    auto accounts = AccountServices::current();
    EXPECT_EQ(accounts->getCurrentLogedInUsername(), user);
    EXPECT_EQ(accounts->getAllMacUsers().count(user), 1u);
    struct Case {
        const char* password;
        std::string user;
        bool valid;
    };
    for (const auto& c :
         {Case{"password", user, true}, Case{"wrong", user, false}, Case{"password", "nobody-here", false}}) {
        SCOPED_TRACE(std::string(c.password) + "/" + c.user);
        EXPECT_EQ(accounts->checkIfPassword_validForUserName(c.password, c.user), c.valid);
    }
    advance(40);
    MotionDetection::current()->motionDetected();
    advance(5);
    EXPECT_NEAR(MotionTracking::shared().secondsPassesSinceLastMotion(), 5.0, 0.01);
}

TEST_F(CoordinatorLinkTest, StartUpCreatesTheLinkAndThePhonesRequestsReachTheCoordinator) {
    auto phone = storePhone("phone-1");
    startCoordinator();
    auto link = machine->requestController();
    ASSERT_TRUE(link);
    EXPECT_EQ(link->delegate().get(), static_cast<RequestControllerDelegate*>(machine.get()));

    // A connection status from the phone goes through the coordinator's handler into the records.
    link->procesRequest_fromMobileDevice(
        MessageFactory::createMessage_payload(RequestController::kRequestConnectionStatus, Number(3)), phone);
    EXPECT_EQ(DataManager::shared()
                  .settingsForDeviceId(phone->unId())
                  ->pairingInfo()
                  ->connectionStatus()
                  ->intValue(),
              3);
    // The phone's motion reaches the engine's tracker through the installed adapter.
    advance(30);
    link->procesRequest_fromMobileDevice(
        MessageFactory::createMessage_payload(RequestController::kRequestMotion, platform::Value()), phone);
    EXPECT_LT(MotionTracking::shared().secondsPassesSinceLastMotion(), 0.01);
}

TEST_F(CoordinatorLinkTest, LinkAdapterDropsWhatTheLinkCannotCarry) {
    auto phone = storePhone("phone-1");
    std::weak_ptr<RequestController> gone;
    {
        auto controller = RequestController::init();
        gone = controller;
    }
    testsupport::LogCapture capture;
    RequestControllerLink link(gone);
    link.startIntenseScanning();
    link.sendNotification_toMobileDevice_usePushNotificationIfNeeded(-1, phone, true);
    EXPECT_TRUE(capture.contains("no request controller running"));
    EXPECT_TRUE(capture.contains("notification code -1 is not a code"));
}

TEST_F(CoordinatorLinkTest, TheBluetoothCacheRepairsCommandsAreAnsweredByTheMacSessionAndNeverRunHere) {
    installEngineLinkServices();
    testsupport::LogCapture capture;
    EXPECT_EQ(CommandLineBluetoothCache::bluetoothCacheFileSize(),
              static_cast<int64_t>(platform::SimulatedSession::kDefaultBluetoothCacheSize));
    session->setBluetoothCacheSize(std::nullopt);
    EXPECT_EQ(CommandLineBluetoothCache::bluetoothCacheFileSize(), -1);
    EXPECT_FALSE(capture.contains("not run")) << "the session answered both";

    // A command the session does not stand for is not run on this host.
    const std::string file = home() + "/keep-me";
    ASSERT_TRUE(platform::Files::writeAtomically(file, platform::Data::fromString("x"), 0600));
    EXPECT_EQ(ShellAnswers::current()->runShellCommand("rm -f '" + file + "'", std::nullopt), "");
    EXPECT_TRUE(platform::Files::exists(file));
    EXPECT_TRUE(capture.contains("Shell command not run: the Mac session does not answer it: rm -f"));

    // The forced clear deletes the cache with the tracked phone's stored password, when it logs in.
    session->setBluetoothCacheSize(4096);
    for (const char* password : {"wrong", "password"}) {
        SCOPED_TRACE(password);
        auto phone = storePhone("phone-1");
        DataManager::shared().setClearTextPassword_forMobileDevice(password, phone);
        KestruneCommandHelper::forceClearBluetoothCache();
        runUntilIdle();
        EXPECT_EQ(session->bluetoothCacheSize().has_value(), std::string(password) == "wrong");
    }
    EXPECT_TRUE(DeviceLocalSettings::shared().tempClearBluetoothCacheDate()->timeIntervalSince1970() > 0);
}
