// The clipboard window: its texts, its two layouts as the phone comes and goes, and its send button.

#include <gtest/gtest.h>

#include <vector>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/bases/KSWindowControllerPage.h"
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

// Shown as a page of the settings window's detail pane, larger than the window, the dark panel keeps its
// size in the middle of the page with everything inside it, and the page around it stays clear.
TEST_F(ClipboardInfoViewControllerTest, AsAPageThePanelKeepsItsSizeInTheMiddle) {
    ui::CairoRenderer::installAsBackend();
    auto controller = KSWindowController::create<ClipboardInfoViewController>();
    auto page = KSWindowControllerPage::pageFor(controller);
    auto pane = window({100, 100, 850, 530});
    auto view = page->view();
    pane->contentView()->addSubview(view);
    view->setFrame({0, 0, 850, 530});
    settle();
    auto title = controller->titleLabel.lock();
    ASSERT_TRUE(title);
    auto panel = title->superview();
    ASSERT_TRUE(panel && panel != view.get());
    EXPECT_EQ(panel->frame(), (ui::Rect{205, 65, 440, 400}));
    for (const auto& part : panel->subviews()) {
        EXPECT_GE(part->frame().minX(), 0);
        EXPECT_GE(part->frame().minY(), 0);
        EXPECT_LE(part->frame().maxX(), 440);
        EXPECT_LE(part->frame().maxY(), 400);
    }
    const auto pixels = renderPNG(*view, home() + "/clipboard-page.png");
    const double scale = pixels.width / 850.0;
    auto at = [&](double x, double yFromTop) {
        return pixels.rgbaAt(static_cast<int>(x * scale), static_cast<int>(yFromTop * scale));
    };
    // The panel's dark grey in the middle of the page, near its top-left corner inside it, and nothing of
    // it in the page's corners.
    const auto middle = at(425, 265);
    EXPECT_EQ(middle.a, 255);
    EXPECT_EQ(middle.r, 0x2A);
    EXPECT_EQ(middle.g, 0x2D);
    EXPECT_EQ(middle.b, 0x31);
    EXPECT_EQ(at(215, 75).r, 0x2A);
    EXPECT_EQ(at(10, 10).a, 0);
    EXPECT_EQ(at(840, 520).a, 0);
}

}  // namespace
}  // namespace kestrune
