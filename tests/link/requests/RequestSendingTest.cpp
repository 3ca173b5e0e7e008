#include "app/records/ConnectionInfo.h"
#include "app/records/DeviceInfo.h"
#include "app/records/SessionInfo.h"
#include "link/message/MessageFactory.h"
#include "link/requests/RequestController.h"
#include "link/transport/RecoveryManager.h"
#include "tests/link/LinkFixture.h"

using kestrune::DataManager;
using kestrune::PairingInfo;
using kestrune::RequestController;
using platform::Number;

namespace {

const std::string kPhone = linktests::kTrackedPhone;
const std::string kOther = "PHONE-O";
const std::string kOtherPeripheral = "9A8B7C6D-5E4F-4A3B-9C2D-1E0F9A8B7C6D";
const std::string S = "\u02FD";
const std::string D = "\u2021";

using RequestSendingTest = linktests::ConnectedPhoneFixture;

}  // namespace

TEST_F(RequestSendingTest, EachSendingOperationArrivesAsItsGoldenText) {
    auto mac = kestrune::Device::init();
    auto connection = kestrune::ConnectionInfo::init();
    connection->setIsConnected(Number(true));
    connection->setServiceId("B4C1");
    mac->setConnectionInfo(connection);
    auto info = kestrune::DeviceInfo::init();
    info->setDeviceDescription(Number(3));
    info->setDeviceName("Ada's Mac");
    info->setDeviceType(Number(2));
    mac->setDeviceInfo(info);
    auto session = kestrune::SessionInfo::init();
    session->setDeviceResponsibleForLastChange(Number(2));
    session->setLaptopLidIsDownAndNoExternalMonitor(Number(false));
    session->setUserIdLoggedIn("ada");
    session->setUserIsLoggedIn(Number(true));
    mac->setSessionInfo(session);
    mac->setUnId("MAC-1");

    auto d = device(kPhone);
    motion->count = 0;
    struct Case {
        const char* what;
        std::function<void(RequestController&)> send;
        std::vector<std::string> golden;  // "request|payload"
    };
    const std::vector<Case> cases = {
        {"distance", [&](auto& c) { c.mobileDeviceDidUpdateRSSI(d); }, {"3|57"}},
        {"mac",
         [&](auto& c) { c.sendDeviceData_toMobileDevice(mac, d); },
         {"32|1" + D + "B4C1" + D + "3" + D + "Ada's Mac" + D + "2" + D + "2" + D + "0" + D + "ada" + D +
          "1" + D + "MAC-1"}},
        {"tracking",
         [&](auto& c) { c.didUpdateTrackInfoForMobileDevice(d); },
         {"35|2" + D + "60" + D + "0" + D + "0" + D + "1"}},
        {"name wanted", [&](auto& c) { c.getMobileDeviceInformationIfNeeded(d); }, {"51|"}},
        {"status",
         [&](auto& c) {
             c.updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(6, d, false);
         },
         {"52|6"}},
        {"current status", [&](auto& c) { c.notifyDeviceForNewStatusForMobilDevice(d); }, {"52|6"}},
        {"accepted", [&](auto& c) { c.mobileDevice_connectionAccepted(d, true); }, {"53|"}},
        {"confirm", [&](auto& c) { c.confirmLoginForMobileDevice_silent(d, true); }, {"55|1"}},
        {"withdraw", [&](auto& c) { c.cancelLoginConfirmationForMobileDevice(d); }, {"56|"}},
        {"confirm at field",
         [&](auto& c) { c.confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(d, false); },
         {"67|0"}},
        {"withdraw at field",
         [&](auto& c) { c.cancelLoginConfirmationPasswordFieldShownForMobileDevice(d); },
         {"68|"}},
        {"authorization", [&](auto& c) { c.confirmLoginForMobileDevice_forReason(d, "Auth"); }, {"72|Auth"}},
        {"withdraw authorization",
         [&](auto& c) { c.cancelLoginConfirmationForMobileDevice_forReason(d, "Auth"); },
         {"73|Auth"}},
        {"notification", [&](auto& c) { c.sendNotification_toMobileDevice(9, d); }, {"74|9"}},
        {"notification maybe pushed",
         [&](auto& c) {
             c.sendNotification_toMobileDevice_usePushNotificationIfNeeded(4000000000u, d, true);
         },
         {"74|4000000000"}},
        {"clipboard",
         [&](auto& c) { c.updateClipboardForMobileDevice_clipboardText(d, "copied text"); },
         {"75|copied text"}},
        {"clipboard received", [&](auto& c) { c.didCopyClipboard_toMac(true, d); }, {"77|1"}},
        {"everything", [&](auto& c) { c.syncAllDeviceSettingsForMobileDevice(d); }, {"32|", "40|", "51|"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        size_t before = received(phone).size();
        c.send(*controller);
        advance(0.5);
        auto all = received(phone);
        ASSERT_EQ(all.size(), before + c.golden.size());
        for (size_t i = 0; i < c.golden.size(); ++i) {
            if (c.golden[i].size() == 3)  // only the request number is fixed here
                EXPECT_EQ(all[before + i].substr(0, 3), c.golden[i]);
            else
                EXPECT_EQ(all[before + i], c.golden[i]);
        }
    }
    EXPECT_TRUE(push->pushes.empty());
    EXPECT_EQ(motion->count, 1);  // sending the tracking record stamps motion
}

TEST_F(RequestSendingTest, ConditionsOfTheSendingOperations) {
    auto d = device(kPhone);
    // The distance goes only to a connected phone that is paired.
    settings(kPhone)->pairingInfo()->setConnectionStatus(
        Number(PairingInfo::kConnectionStatusPairingRequested));
    controller->mobileDeviceDidUpdateRSSI(d);
    settings(kPhone)->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
    d->mobileDeviceConnectionInfo()->setIsConnected(Number(false));
    controller->mobileDeviceDidUpdateRSSI(d);
    // The name is asked only while it is unknown.
    d->mobileDeviceInfo()->setDeviceName("Ada's phone");
    controller->getMobileDeviceInformationIfNeeded(d);
    advance(0.5);
    EXPECT_TRUE(received(phone).empty());
    // The settings record goes out with this Mac's local settings copied in.
    controller->sendSettingsFromDevice(d);
    advance(0.5);
    ASSERT_EQ(received(phone).size(), 1u);
    EXPECT_EQ(received(phone)[0].rfind("40|57" + D, 0), 0u);
    EXPECT_EQ(received(phone)[0].substr(received(phone)[0].size() - kPhone.size()), kPhone);
}

TEST_F(RequestSendingTest, SessionChangesGoToEveryConnectedPhone) {
    // The tracked phone leaves; two other phones connect in recovery mode.
    phone->walkAway(0.5);
    advance(4);
    ASSERT_FALSE(marked(kPhone));
    auto other = addPhone(kOther, kOtherPeripheral, "B4FE");
    auto third = addPhone("PHONE-3", "1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F9", "B4FE");
    kestrune::RecoveryManager::shared().startRecoveryMode();
    scanAndSettle(4);
    ASSERT_TRUE(marked(kOther));
    ASSERT_TRUE(marked("PHONE-3"));
    size_t before = received(phone).size();
    auto session = kestrune::SessionInfo::init();
    session->setUserIdLoggedIn("ada");
    session->setUserIsLoggedIn(Number(false));
    controller->didUpdateSessionInforForCurrentDevice(session);
    advance(0.5);
    const std::string golden = "34|" + D + D + "ada" + D + "0";
    EXPECT_EQ(received(other), std::vector<std::string>{golden});
    EXPECT_EQ(received(third), std::vector<std::string>{golden});
    EXPECT_EQ(received(phone).size(), before);
}

TEST_F(RequestSendingTest, OutOfReachOnlyStatusAndNotificationsTakeThePushChannel) {
    auto d = device(kPhone);
    phone->walkAway(0.5);
    advance(4);
    ASSERT_FALSE(marked(kPhone));
    size_t before = received(phone).size();
    controller->updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(7, d, true);
    controller->sendNotification_toMobileDevice_usePushNotificationIfNeeded(5, d, true);
    controller->sendNotification_toMobileDevice_usePushNotificationIfNeeded(6, d, false);
    controller->notifyDeviceForNewStatusForMobilDevice(d);
    controller->confirmLoginForMobileDevice_silent(d, false);
    controller->updateClipboardForMobileDevice_clipboardText(d, "lost");
    advance(0.5);
    EXPECT_EQ(push->pushes, (std::vector<std::string>{kPhone + ":" + S + "52" + S + "7",
                                                      kPhone + ":" + S + "74" + S + "5"}));
    EXPECT_EQ(status(kPhone), 7);
    EXPECT_EQ(received(phone).size(), before);

    // Without the remote channel nothing is sent and the caller learns it.
    auto message = kestrune::MessageFactory::createMessage_payload(74, Number(3));
    EXPECT_FALSE(link().sendMessage_toMobileDevice_useRemoteChannelIfNeeded(*message, d, false));
    EXPECT_TRUE(link().sendMessage_toMobileDevice_useRemoteChannelIfNeeded(*message, d, true));
    EXPECT_EQ(push->pushes.size(), 3u);
}
