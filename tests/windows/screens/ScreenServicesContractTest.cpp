// What the screens rely on of the application core, the phone link and the interface kit, checked
// against the classes as they are: one test for each.

#include <gtest/gtest.h>

#include <regex>

#include "app/records/FTWDevice.h"
#include "app/shell/DebugConfig.h"
#include "app/shell/PerformBlockAfterDelay.h"
#include "app/shell/SoundManager.h"
#include "app/shell/ThreadHelpers.h"
#include "app/support/DateAndTimeHelper.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/NotificationCenter.h"
#include "platform/sim/radio/Radio.h"
#include "platform/ui/AnimationContext.h"
#include "tests/windows/screens/ScreensFixture.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/MyButton.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/lists/PXListViewDelegate.h"
#include "uikit/text/TextFieldAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/ViewAnimations.h"

namespace kestrune {
namespace {

class ScreenServicesContractTest : public screentests::ScreensFixture {};

class NoRows : public PXListViewDelegate {
public:
    int asked = 0;
    uint64_t numberOfRowsInListView(PXListView&) override { return ++asked, 0; }
    double listView_heightOfRow(PXListView&, uint64_t) override { return 40; }
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView&, uint64_t) override { return nullptr; }
};

TEST_F(ScreenServicesContractTest, TheCoreRunsDelayedClosuresAndKeepsThePairingAndTheLocalSettings) {
    // A delayed closure runs once, after its delay, keeping its receiver alive; an asynchronous one
    // never runs inside the call.
    auto receiver = std::make_shared<int>(7);
    std::weak_ptr<int> watch = receiver;
    int runs = 0;
    performAfterDelay_block(receiver, 0.5, [&] { ++runs; });
    performBlock_afterDelay(
        nullptr, [&] { ++runs; }, 0.5);
    receiver.reset();
    EXPECT_FALSE(watch.expired());
    advance(0.49);
    EXPECT_EQ(runs, 0);
    advance(0.02);
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(watch.expired());
    bool ran = false;
    runOnMainQueueAsync([&] { ran = true; });
    EXPECT_FALSE(ran);
    runUntilIdle();
    EXPECT_TRUE(ran);

    auto& manager = DataManager::shared();
    EXPECT_FALSE(manager.pairingMobileDevice());
    auto pairing = MobileDevice::initWithUnId("new-phone");
    manager.setPairingMobileDevice(pairing);
    manager.setDidAcceptPairingDevice(true);
    EXPECT_EQ(manager.pairingMobileDevice(), pairing);
    EXPECT_TRUE(manager.didAcceptPairingDevice());
    EXPECT_FALSE(manager.getTrackingMobileDevice());
    addPhone("untracked", "Old", false, false);
    auto tracked = addPhone("tracked", "Ada's iPhone", true, true, true);
    EXPECT_EQ(manager.getTrackingMobileDevice()->unId(), "tracked");
    auto settings = manager.settingsForDeviceId("tracked");
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()->boolValue());
    EXPECT_FALSE(manager.settingsForDeviceId("nobody"));
    EXPECT_EQ(manager.getActiveDesktopUser()->username(), "ada");
    ASSERT_TRUE(manager.getActiveDesktopDevice());
    phoneServices->refusedRecently = true;
    EXPECT_TRUE(tracked->shouldShowUserActiveIndication());
    EXPECT_EQ(tracked->userActiveIndicationString(), "user_active");

    auto& local = DeviceLocalSettings::shared();
    EXPECT_FALSE(local.didShowTutorialAtLeastOnce());
    local.setDidShowTutorialAtLeastOnce(true);
    EXPECT_EQ(local.macSleepScreenUnlockConfirmLogin(), 2);
    DeviceLocalSettings::resetSharedForTesting();
    EXPECT_TRUE(DeviceLocalSettings::shared().didShowTutorialAtLeastOnce());  // written at once

    EXPECT_TRUE(
        std::regex_match(DateAndTimeHelper::hourAndMinuteString(), std::regex("[0-9]{1,2}:[0-9]{1,2}")));
    EXPECT_FALSE(DebugConfig::isDebugOrBetaTester());
    EXPECT_FALSE(FTWDevice::currentDeviceLocalizedName().empty());
    SoundManager::playFinishSound();
    SoundManager::playErrorSound2();
    EXPECT_EQ(playedSounds().size(), 2u);
}

TEST_F(ScreenServicesContractTest, TheLinkRestartsBluetoothAtMostOnceInEightSecondsAndSwitchesItOff) {
    auto radio = platform::Radio::shared();
    radio->setPowerTransitionDelay(0.3);
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    int restarted = 0;
    Bluetooth::restartBluetoothIfOnWithCompletion([&] { ++restarted; });
    EXPECT_TRUE(Bluetooth::isRestartingBluetooth());
    advance(3);
    EXPECT_FALSE(Bluetooth::isRestartingBluetooth());
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_EQ(restarted, 1);
    // Within 8 s of the last start: nothing happens and the closure is not run.
    int dropped = 0;
    Bluetooth::restartBluetoothIfOnWithCompletion([&] { ++dropped; });
    EXPECT_FALSE(Bluetooth::isRestartingBluetooth());
    advance(20);
    EXPECT_EQ(dropped, 0);
    // Switching off: the closure runs once the controller is off; at once when it already is.
    int off = 0;
    Bluetooth::turnBluetoothOffWithCompletion([&] { ++off; });
    EXPECT_EQ(off, 0);
    advance(1);
    EXPECT_EQ(off, 1);
    EXPECT_FALSE(Bluetooth::bluetoothIsOn());
    Bluetooth::turnBluetoothOffWithCompletion([&] { ++off; });
    EXPECT_EQ(off, 2);
    // A controller that is off is only switched on by a restart.
    Bluetooth::restartBluetoothIfOnWithCompletion([&] { ++restarted; });
    advance(3);
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_EQ(restarted, 2);
    // The scanning indicator: active while a scan period runs (20 s).
    auto& scanning = ScanningIndicator::shared();
    scanning.restartTimer();
    EXPECT_TRUE(scanning.timerIsActive());
    advance(20.01);
    EXPECT_FALSE(scanning.timerIsActive());
}

TEST_F(ScreenServicesContractTest, TheKitGivesButtonsColoursFadesAndListsTheirLook) {
    EXPECT_EQ(kestruneGreen().description(), colorWithHexColorString("09D261").description());
    EXPECT_EQ(customLightGray().description(), colorWithHexColorString("4C4C4C").description());
    EXPECT_EQ(redTextColor().description(), colorWithHexColorString("DF3434").description());

    auto button = ui::Button::create({0, 0, 100, 30});
    setToDefaultProperties(*button);
    EXPECT_FALSE(button->isBordered());
    setKestruneDisabledButtonWithText(*button, "Off");
    EXPECT_EQ(button->alphaValue(), 0.5);
    EXPECT_FALSE(button->isEnabled());
    setKestruneEnabledButtonWithText(*button, "On");
    EXPECT_EQ(button->alphaValue(), 1.0);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->title(), "On");
    auto hover = MyButton::create({0, 0, 24, 24});
    hover->initalize();
    settle();
    EXPECT_EQ(hover->alphaValue(), 0.6);

    auto view = ui::View::create({0, 0, 10, 10});
    setBackgouroundColor(*view, kestruneGreen());
    ASSERT_TRUE(view->layer());
    EXPECT_EQ(view->layer()->backgroundColor()->description(), kestruneGreen().description());
    // A fade of no duration sets the alpha at once and reports a hundredth of a second later.
    bool faded = false;
    setAlpha_withDuration_completion(*view, 0.2, 0, [&] { faded = true; });
    EXPECT_EQ(view->alphaValue(), 0.2);
    EXPECT_FALSE(faded);
    advance(0.011);
    EXPECT_TRUE(faded);
    faded = false;
    setAlpha_withDuration_completion(*view, 1, 0.3, [&] { faded = true; });
    advance(0.29);
    EXPECT_FALSE(faded);
    advance(0.02);
    EXPECT_TRUE(faded);

    auto field = ui::TextField::create({0, 0, 100, 20});
    setStringValueOrEmptyString(*field, std::nullopt);
    EXPECT_EQ(field->stringValue(), "");
    setAnimatedStringValue(*field, "2 m");
    advance(0.5);
    EXPECT_EQ(field->stringValue(), "2 m");
    const auto before = ui::AnimationContext::recorded().size();
    setAnimatedStringValue(*field, "2 m");
    EXPECT_EQ(ui::AnimationContext::recorded().size(), before);

    auto list = KestruneListView::create({0, 0, 100, 100});
    list->setupDefaultProperties();
    EXPECT_EQ(list->cellSpacing(), 0);
    EXPECT_TRUE(list->allowsEmptySelection());
    EXPECT_TRUE(list->allowsMultipleSelection());
    auto rows = std::make_shared<NoRows>();
    list->setDelegate(rows);
    bool reloaded = false;
    list->reloadData([&] { reloaded = rows->asked == 1; });
    EXPECT_TRUE(reloaded);
}

}  // namespace
}  // namespace kestrune
