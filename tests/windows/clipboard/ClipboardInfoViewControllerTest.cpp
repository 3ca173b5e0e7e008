// The clipboard window: its texts, its two layouts as the phone comes and goes, and its send button.

#include <gtest/gtest.h>

#include <vector>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "tests/support/ui/Fixture.h"
#include "windows/clipboard/ClipboardInfoViewController.h"

namespace kestrune {
namespace {

using platform::Number;

class RecordingClipboardDelegate : public ClipboardInfoViewControllerDelegate {
public:
    std::vector<int64_t> options;
    void clipboardInfoViewController_didSelectOption(platform::ui::UIObject*, int64_t option) override {
        options.push_back(option);
    }
};

class ClipboardInfoViewControllerTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        DataManager::resetSharedForTesting();
    }
    void TearDown() override {
        DataManager::resetSharedForTesting();
        Fixture::TearDown();
    }
    std::shared_ptr<MobileDevice> trackPhone(bool connected) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
        return phone;
    }
};

TEST_F(ClipboardInfoViewControllerTest, TheWindowsTextsAndItsLayoutForAnAbsentPhone) {
    auto controller = KSWindowController::create<ClipboardInfoViewController>();
    ASSERT_TRUE(controller->window());
    EXPECT_EQ(controller->titleLabel.lock()->stringValue(), "clipboard");
    EXPECT_EQ(controller->clipboardLabel.lock()->stringValue(), "clipboard");
    EXPECT_EQ(controller->descriptionLabel.lock()->stringValue(), "clipboard_explanation");
    EXPECT_EQ(controller->sentToMacLabel.lock()->stringValue(), "clipboard_send_to_mac");
    EXPECT_EQ(controller->getFromMacLabel.lock()->stringValue(), "clipboard_copy_from_mac");
    EXPECT_EQ(controller->bottomLabel.lock()->stringValue(), "or_press");

    // No phone at all: the not-connected layout.
    auto notice = controller->devicesNotConnectedLabel.lock();
    auto button = controller->sentClipboardButton.lock();
    EXPECT_EQ(notice->alphaValue(), 1.0);
    EXPECT_EQ(notice->stringValue(), "connect_to_iphone_to_use_this_feature");
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->alphaValue(), 0.5);
    EXPECT_EQ(controller->bottomLabel.lock()->alphaValue(), 0.5);
    EXPECT_EQ(controller->shortcutImageVIew.lock()->alphaValue(), 0.5);
}

TEST_F(ClipboardInfoViewControllerTest, TheLayoutFollowsThePhoneAndTheButtonSends) {
    auto phone = trackPhone(false);
    auto controller = KSWindowController::create<ClipboardInfoViewController>();
    auto delegate = std::make_shared<RecordingClipboardDelegate>();
    controller->setDelegate(delegate);
    controller->showWindow();
    settle();
    auto button = controller->sentClipboardButton.lock();
    EXPECT_FALSE(button->isEnabled());

    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    controller->updateViewForCurrentState();
    settle();
    auto notice = controller->devicesNotConnectedLabel.lock();
    EXPECT_EQ(notice->alphaValue(), 0.0);
    EXPECT_EQ(notice->stringValue(), "");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->alphaValue(), 1.0);
    EXPECT_EQ(button->title(), "SEND_CLIPBOARD_TO_IOS_SHORT");  // the flat button's capitals
    EXPECT_EQ(controller->bottomLabel.lock()->alphaValue(), 1.0);
    EXPECT_EQ(controller->shortcutImageVIew.lock()->alphaValue(), 1.0);

    click(*button, {10, 10});
    EXPECT_EQ(delegate->options, std::vector<int64_t>{ClipboardInfoViewControllerDelegate::kSendClipboard});

    // The phone goes: back to the not-connected layout, where the button sends nothing.
    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(false));
    controller->updateViewForCurrentState();
    click(*button, {10, 10});
    EXPECT_EQ(delegate->options.size(), 1u);
}

}  // namespace
}  // namespace kestrune
