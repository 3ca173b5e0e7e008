#pragma once

#include <functional>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/support/AESAdditions.h"
#include "link/requests/MotionDetection.h"
#include "link/requests/RSSIIntake.h"
#include "link/requests/RequestController.h"
#include "link/transport/AccountServices.h"
#include "link/transport/SilentPushSender.h"
#include "platform/sim/PhoneMessageCoder.h"
#include "tests/link/ScannerFixture.h"

namespace linktests {

inline void forgetLinkServices() {
    kestrune::AccountServices::install(nullptr);
    kestrune::MotionDetection::install(nullptr);
    kestrune::RSSIIntake::install(nullptr);
}
inline const bool kLinkServicesResetRegistered = (testsupport::addResetHook(&forgetLinkServices), true);

// The coordinator's place: every call written down as one line of text, with the phone's identifier.
class RecordingRequestDelegate : public kestrune::RequestControllerDelegate {
public:
    using Device = std::shared_ptr<kestrune::MobileDevice>;
    using Controller = kestrune::RequestController;

    std::vector<std::string> events;
    size_t count(const std::string& event) const { return std::count(events.begin(), events.end(), event); }
    // Events that start with the text.
    std::vector<std::string> matching(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& event : events)
            if (event.rfind(prefix, 0) == 0) found.push_back(event);
        return found;
    }

    void requestController_protocolVersionNotMatching(Controller&, bool mac) override {
        note("version:" + std::to_string(mac));
    }
    void requestController_didUpdateRSSI_fromMobileDevice(Controller&, const platform::Number& distance,
                                                          const Device& d) override {
        note("distance:" + id(d) + ":" + distance.stringValue());
    }
    void requestController_didDisconnectFromMobileDevice(Controller&, const Device& d) override {
        note("disconnected:" + id(d));
    }
    void requestControllerDidExperienceFatalError(Controller&) override { note("fatal"); }
    void requestControllerDidExperienceCorruptedBluetoothCache(Controller&) override { note("corrupted"); }
    void requestController_didReceiveRequestToConnectToMobileDevice(Controller&, const Device& d) override {
        note("pairingRequest:" + id(d));
    }
    void requestController_didSuccessfullyPair_withMobileDevice(Controller&, bool ok,
                                                                const Device& d) override {
        note("paired:" + id(d) + ":" + std::to_string(ok));
    }
    void requestController_didReceiveMobileNotification(Controller&, int32_t code) override {
        note("phoneNotification:" + std::to_string(code));
    }
    void requestController_didUpdateSessionInfoForDevice(Controller&, const Device& d) override {
        note("session:" + id(d));
    }
    void requestController_didStartSyncingWithMobileDevice(Controller&, const Device& d) override {
        note("syncing:" + id(d));
    }
    void requestController_didChangeSettings_forMobileDevice(
        Controller&, const std::shared_ptr<kestrune::MobileDeviceTrackInfo>& info, const Device& d) override {
        note("tracking:" + id(d) + ":" + info->shouldTrackMobileDevice().value_or(false).stringValue());
    }
    void requestController_didChangeTrackingDistance_forMobileDevice(Controller&, int32_t distance,
                                                                     const Device& d) override {
        note("trackingDistance:" + id(d) + ":" + std::to_string(distance));
    }
    void requestController_didConfirmAuthRequest_forDevice(Controller&, const std::string& text,
                                                           const Device& d) override {
        note("authConfirmed:" + id(d) + ":" + text);
    }
    void requestController_didReceiveLoginCommandFromMobileDevice(Controller&, const Device& d) override {
        note("login:" + id(d));
    }
    void requestController_didReceiveLogoutCommandFromMobileDevice(Controller&, const Device& d) override {
        note("logout:" + id(d));
    }
    void requestController_didUpdateApplicationStateFromMobileDevice_withState(
        Controller&, const Device& d, const platform::Number& s) override {
        note("applicationState:" + id(d) + ":" + s.stringValue());
    }
    void requestController_didUpdateConnectionStatus_fromMobileDevice(Controller&, const platform::Number& s,
                                                                      const Device& d) override {
        note("connectionStatus:" + id(d) + ":" + s.stringValue());
    }
    void requestController_didConfirmLogin_fromMobileDevice(Controller&, const platform::Number& c,
                                                            const Device& d) override {
        note("loginConfirmed:" + id(d) + ":" + c.stringValue());
    }
    void requestController_didUpdateMobileDeviceSettings(Controller&, const Device& d) override {
        note("phoneSettings:" + id(d));
    }
    void requestController_didUpdateClipboardText_forDevice(Controller&, const std::string& text,
                                                            const Device& d) override {
        note("clipboard:" + id(d) + ":" + text);
    }
    void requestController_didUpdateIosClipboard_forDevice(Controller&, bool copied,
                                                           const Device& d) override {
        note("clipboardCopied:" + id(d) + ":" + std::to_string(copied));
    }

private:
    static std::string id(const Device& d) { return d && d->unId() ? *d->unId() : "?"; }
    void note(std::string event) {
        EXPECT_TRUE(platform::isMainThread()) << event;
        events.push_back(std::move(event));
    }
};

// Accounts with one password that logs in, counting the checks (the password itself is not kept).
class FakeAccounts : public kestrune::AccountServices {
public:
    std::string runningUser = "ada";
    std::string validPassword = "s3cret pass";
    int checks = 0;

    std::map<std::string, std::shared_ptr<kestrune::DeviceUser>> getAllMacUsers() override {
        auto user = kestrune::DeviceUser::init();
        user->setUsername(runningUser);
        user->setFullName("Ada L");
        return {{runningUser, user}};
    }
    std::string getCurrentLogedInUsername() override { return runningUser; }
    bool checkIfPassword_validForUserName(const std::string& password, const std::string& name) override {
        ++checks;
        return name == runningUser && password == validPassword;
    }
};

class CountingMotion : public kestrune::MotionDetection {
public:
    int count = 0;
    void motionDetected() override { ++count; }
};

// Takes every reading in (unless told not to) and stores it unsmoothed, writing each down.
class RecordingIntake : public kestrune::RSSIIntake {
public:
    bool accept = true;
    std::vector<std::string> readings;
    bool shouldUpdateRSSIForMobileDeviceSettings(
        const std::shared_ptr<kestrune::MobileSettings>& s) override {
        return accept && s;
    }
    void smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                      const std::shared_ptr<kestrune::MobileDevice>& device) override {
        readings.push_back(*device->unId() + ":" + rssi.stringValue());
        kestrune::DataManager::shared().settingsForDeviceId(device->unId())->setDistanceFromDevice(rssi);
    }
};

class RecordingPush : public kestrune::SilentPushSender {
public:
    std::vector<std::string> pushes;
    void sendSilentPushToMobileDevice_withString(const std::shared_ptr<kestrune::MobileDevice>& device,
                                                 const std::optional<std::string>& text) override {
        pushes.push_back(*device->unId() + ":" + text.value_or("<none>"));
    }
};

// The tracked phone of the link tests and its peripheral.
inline constexpr const char* kTrackedPhone = "PHONE-T";
inline constexpr const char* kTrackedPeripheral = "3C4D5E6F-7A8B-4C9D-8E0F-1A2B3C4D5E6F";

// The Mac's link (request controller, connection controller, scanner) on the simulated radio, with
// the coordinator, the accounts, the motion tracker, the signal intake and the push channel recorded.
class LinkFixture : public recordtests::DataManagerFixture {
protected:
    static constexpr const char* kTrackedService = "B4C1";
    static constexpr const char* kApp = "\u02FD";
    static constexpr const char* kField = "\u2021";

    void SetUp() override {
        DataManagerFixture::SetUp();
        radio = platform::Radio::shared();
        backend = std::make_shared<scannertests::RecordingBackend>(radio);
        platform::BluetoothBackend::install(backend);
        kestrune::AccountServices::install(accounts);
        kestrune::MotionDetection::install(motion);
        kestrune::RSSIIntake::install(intake);
        session->username = "ada";
        kestrune::DataManager::shared();
    }
    void TearDown() override {
        runUntilIdle();
        controller.reset();
        runUntilIdle();
        forgetLinkServices();
        DataManagerFixture::TearDown();
    }

    // The link as the coordinator creates it, past its start-up (Bluetooth LE up and ready, the ignore
    // list cleared at 3 s).
    void start() {
        controller = kestrune::RequestController::init();
        controller->setDelegate(delegate);
        controller->connectionController()->setSilentPushSender(push);
        advance(3.1);
    }
    kestrune::ConnectionController& link() { return *controller->connectionController(); }
    kestrune::LEScannerController& scanner() { return *link().lEScannerManager(); }
    // One scan now, and time for the phones in range to be found and authenticated.
    void scanAndSettle(double seconds = 3.0) {
        link().executeScan();
        advance(seconds);
    }

    // A phone on the radio whose application identifies itself with the identifier.
    std::shared_ptr<platform::PhonePeripheral> addPhone(const std::string& unId,
                                                        const std::string& peripheral,
                                                        const char* service = kTrackedService) {
        platform::SimulatedPhone::Configuration configuration;
        configuration.identifier = unId;
        auto phone = std::make_shared<platform::SimulatedPhone>(configuration);
        auto device = platform::PhonePeripheral::create(phone, {platform::BluetoothUUID::constant(service)},
                                                        peripheral);
        radio->addPeripheral(device);
        return device;
    }
    // A phone known from earlier, with its settings and the status.
    std::shared_ptr<kestrune::MobileDevice> storePhone(const std::string& unId, int32_t status,
                                                       const char* service = kTrackedService) {
        auto model = kestrune::DataManager::shared().getSavedDataModel();
        auto device = kestrune::MobileDevice::initWithUnId(unId);
        auto settings = kestrune::MobileSettings::initWithUnId(unId);
        settings->pairingInfo()->setConnectionStatus(platform::Number(status));
        settings->pairingInfo()->setForegroundServiceId(std::string(service));
        if (!model->dictOfAllMobileDevice()) model->dictOfAllMobileDevice().emplace();
        if (!model->dictOfMobileDeviceSettings()) model->dictOfMobileDeviceSettings().emplace();
        (*model->dictOfAllMobileDevice())[unId] = device;
        (*model->dictOfMobileDeviceSettings())[unId] = settings;
        kestrune::ConnectionFilter::publishScannerAnswers();
        return device;
    }
    // The tracked phone, paired, stored and in reach; `prepare` sees its settings before the link starts,
    // then the link is started and finds, connects and authenticates it. Answers the phone.
    std::shared_ptr<platform::PhonePeripheral> connectTrackedPhone(
        const std::function<void(kestrune::MobileSettings&)>& prepare = nullptr) {
        storePhone(kTrackedPhone, kestrune::PairingInfo::kConnectionStatusPaired);
        if (prepare) prepare(*settings(kTrackedPhone));
        auto phone = addPhone(kTrackedPhone, kTrackedPeripheral);
        start();
        scanAndSettle();
        return phone;
    }

    static std::shared_ptr<kestrune::MobileDevice> device(const std::string& unId) {
        auto model = kestrune::DataManager::shared().getSavedDataModel();
        if (!model->dictOfAllMobileDevice()) return nullptr;
        auto found = model->dictOfAllMobileDevice()->find(unId);
        return found == model->dictOfAllMobileDevice()->end() ? nullptr : found->second;
    }
    static std::shared_ptr<kestrune::MobileSettings> settings(const std::string& unId) {
        return kestrune::DataManager::shared().settingsForDeviceId(unId);
    }
    static int32_t status(const std::string& unId) {
        auto found = settings(unId);
        return found ? found->pairingInfo()->connectionStatus().value_or(0).intValue() : -99;
    }
    static bool marked(const std::string& unId) {
        auto found = device(unId);
        return found && found->mobileDeviceConnectionInfo() &&
               found->mobileDeviceConnectionInfo()->isConnected().value_or(false).boolValue();
    }

    // What the phone application received, as "request|payload" ("-" for no payload).
    static std::vector<std::string> received(const std::shared_ptr<platform::PhonePeripheral>& phone) {
        std::vector<std::string> texts;
        for (const auto& message : phone->phone()->receivedMessages())
            texts.push_back(std::to_string(message.request) + "|" + message.payload.value_or("-"));
        return texts;
    }
    static std::vector<int32_t> receivedRequests(const std::shared_ptr<platform::PhonePeripheral>& phone) {
        std::vector<int32_t> numbers;
        for (const auto& message : phone->phone()->receivedMessages()) numbers.push_back(message.request);
        return numbers;
    }
    // The phone sends a request; the Mac has handled it when this returns.
    void phoneSends(const std::shared_ptr<platform::PhonePeripheral>& phone, int32_t request,
                    std::optional<std::string> payload = std::nullopt) {
        phone->phone()->sendApplicationMessage(request, std::move(payload));
        advance(0.5);
    }
    void phoneSendsRecord(const std::shared_ptr<platform::PhonePeripheral>& phone, int32_t request,
                          const std::string& type, const platform::Value::Dictionary& record) {
        phone->phone()->sendRecord(request, type, record);
        advance(0.5);
    }
    // The credentials the phone application sends, the password encrypted with the shared key.
    void sendCredentials(const std::shared_ptr<platform::PhonePeripheral>& phone, const std::string& password,
                         const std::string& user = "ada") {
        auto encrypted =
            kestrune::AES256EncryptWithKey(std::string_view(password), kestrune::DataManager::kPasswordKey);
        phoneSendsRecord(phone, 8, "DeviceUser",
                         {{"username", user}, {"password", *encrypted}, {"fullName", "Ada"}});
    }
    // The pairing request of a phone application named so.
    void sendPairingRequest(const std::shared_ptr<platform::PhonePeripheral>& phone,
                            const std::string& unId) {
        phoneSendsRecord(phone, 12, "MobileDevice",
                         {{"unId", unId},
                          {"mobileDeviceInfo", platform::Value::Dictionary{{"deviceName", "Ada's phone"}}},
                          {"mobileDeviceConnectionInfo", platform::Value::Dictionary{{"isConnected", 1}}}});
    }
    uint32_t ignoredFor(const std::string& peripheral) {
        auto list = scanner().ignoreManager().peripheralsToIgnore();
        auto found = list.find(peripheral);
        return found == list.end() ? 99 : found->second->ignoreReason();
    }

    std::shared_ptr<platform::Radio> radio;
    std::shared_ptr<scannertests::RecordingBackend> backend;
    std::shared_ptr<FakeAccounts> accounts = std::make_shared<FakeAccounts>();
    std::shared_ptr<CountingMotion> motion = std::make_shared<CountingMotion>();
    std::shared_ptr<RecordingIntake> intake = std::make_shared<RecordingIntake>();
    std::shared_ptr<RecordingPush> push = std::make_shared<RecordingPush>();
    std::shared_ptr<RecordingRequestDelegate> delegate = std::make_shared<RecordingRequestDelegate>();
    std::shared_ptr<kestrune::RequestController> controller;
};

// The tracked phone connected and authenticated at a smoothed distance of 57. The link reads its
// signal every 2 s; those readings stay out unless a test lets them in (intake->accept).
class ConnectedPhoneFixture : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        intake->accept = false;
        phone = connectTrackedPhone(
            [](kestrune::MobileSettings& settings) { settings.setDistanceFromDevice(platform::Number(57)); });
        ASSERT_TRUE(marked(kTrackedPhone));
    }
    std::shared_ptr<platform::PhonePeripheral> phone;
};

}  // namespace linktests
