// The panel's notice: each state's texts, pictures and buttons, and labels laid out about the middle as
// tall as their texts.

#include <gtest/gtest.h>

#include "menubar/panel/NotificationViewController.h"
#include "platform/base/UnicodeClasses.h"
#include "tests/menubar/MenuBarFixture.h"

namespace kestrune {
namespace {

class NotificationViewControllerTest : public menubartests::MenuBarTest {
protected:
    void SetUp() override {
        MenuBarTest::SetUp();
        for (const char* name : {"notification_image_bluetooth", "notification_image_info",
                                 "notification_image_new_device", "alert_button"})
            registerImage(name, {40, 40});
        notice = NotificationViewController::init();
        notice->setMobileDeviceName("Ada's iPhone");
    }
    std::shared_ptr<NotificationViewController> notice;
};

TEST_F(NotificationViewControllerTest, EachStateShowsItsOwnElements) {
    struct Row {
        const char* top;
        const char* centred;
        const char* button;
        bool info;
        const char* picture;
    };
    const Row rows[] = {
        {"bluetooth_is_off", nullptr, "turn_bluetooth_on", false, "notification_image_bluetooth"},
        {nullptr, "not_supported_ble", nullptr, false, "notification_image_info"},
        {"main_menu_add_new_device_text", nullptr, "main_menu_add_new_device_button", false,
         "notification_image_new_device"},
        {"main_menu_add_new_device_text", nullptr, "main_menu_add_new_device_button", true, nullptr},
        {"new_ios_update Ada's iPhone", nullptr, "update", false, "notification_image_info"},
        {nullptr, "main_menu_unlinked", nullptr, false, "notification_image_info"},
        {"bluetooth_error_short", nullptr, "clear_cache", false, "notification_image_info"},
        {"new_osx_update", nullptr, "update", false, "notification_image_info"},
        {"kestrune_connection_problem", nullptr, "clear_bluetooth_cache", false,
         "notification_image_bluetooth"},
        {nullptr, "tutorial_screen_kestrune_disabled_login_password", nullptr, false,
         "notification_image_info"},
        {nullptr, "unable_to_lock_mac", nullptr, false, "notification_image_info"},
        {nullptr, "unable_to_unlock_mac", nullptr, false, "notification_image_info"},
    };
    for (int64_t state = 0; state < 12; ++state) {
        SCOPED_TRACE(state);
        const Row& row = rows[state];
        notice->setState(state);
        EXPECT_EQ(notice->state(), state);
        EXPECT_EQ(notice->topLabel->alphaValue(), row.top ? 1 : 0);
        if (row.top) {
            EXPECT_EQ(notice->topLabel->stringValue(), row.top);
        }
        EXPECT_EQ(notice->centeredNotificationTextBig->alphaValue(), row.centred ? 1 : 0);
        if (row.centred) {
            EXPECT_EQ(notice->centeredNotificationTextBig->stringValue(), row.centred);
        }
        EXPECT_EQ(notice->mainButton->alphaValue(), row.button ? 1 : 0);
        // The flat button writes its titles in capitals.
        if (row.button) {
            EXPECT_EQ(notice->mainButton->title(), platform::uppercaseString(row.button));
        }
        EXPECT_EQ(notice->infoButton->alphaValue(), row.info ? 1 : 0);
        EXPECT_EQ(notice->infoButton->isEnabled(), row.info);
        if (row.info) {
            EXPECT_EQ(notice->infoButton->image()->name(), "alert_button");
        }
        EXPECT_EQ(notice->mainImageView->alphaValue(), row.picture ? 1 : 0);
        if (row.picture) {
            EXPECT_EQ(notice->mainImageView->image()->name(), row.picture);
        }
    }
    // From the corrupted-cache notice to the plain one the info button goes and cannot be pressed.
    notice->setState(3);
    notice->setState(2);
    EXPECT_EQ(notice->infoButton->alphaValue(), 0);
    EXPECT_FALSE(notice->infoButton->isEnabled());
    // Past the last state nothing shows.
    notice->setState(12);
    for (ui::View* element : {static_cast<ui::View*>(notice->topLabel.get()),
                              static_cast<ui::View*>(notice->centeredNotificationTextBig.get()),
                              static_cast<ui::View*>(notice->mainButton.get()),
                              static_cast<ui::View*>(notice->mainImageView.get())})
        EXPECT_EQ(element->alphaValue(), 0);
}

TEST_F(NotificationViewControllerTest, LabelsGrowAboutTheirOwnMiddle) {
    const double middle = notice->view()->frame().height() * 0.5;
    notice->setState(NotificationViewController::kBluetoothOff);
    const ui::Rect oneLine = notice->topLabel->frame();
    EXPECT_DOUBLE_EQ(oneLine.midY(), middle + NotificationViewController::kTopLabelOffset);

    // A text three times the label's width wraps: taller, about the same middle, nothing cut.
    notice->setMobileDeviceName(std::string(90, 'x') + " " + std::string(90, 'y'));
    notice->setState(NotificationViewController::kNewPhoneApplication);
    const ui::Rect wrapped = notice->topLabel->frame();
    EXPECT_GT(wrapped.height(), oneLine.height() * 2);
    EXPECT_DOUBLE_EQ(wrapped.midY(), oneLine.midY());
    EXPECT_EQ(wrapped.minX(), oneLine.minX());
    EXPECT_EQ(wrapped.width(), oneLine.width());
    EXPECT_EQ(wrapped.height(), notice->topLabel->cellSizeForBounds({0, 0, wrapped.width(), 99999}).height);

    notice->setState(NotificationViewController::kUnableToLockMac);
    EXPECT_DOUBLE_EQ(notice->centeredNotificationTextBig->frame().midY(),
                     middle + NotificationViewController::kCenteredTextOffset);
}

TEST_F(NotificationViewControllerTest, TheMainButtonGrowsClearOfThePictureAndInsideTheNotice) {
    notice->setState(NotificationViewController::kConnectionProblem);
    // The notices' longest title ("Clear the Bluetooth cache") makes the button about 205 points wide in
    // the application's font; with the fixed measurer of the tests, 31 letters give 200.
    notice->mainButton->setTitle(std::string(31, 'W'));
    advance(0.05);  // the button takes its title's width
    const ui::Rect button = notice->mainButton->frame();
    ASSERT_GE(button.width(), 200);
    EXPECT_GE(button.minX(), notice->mainImageView->frame().maxX() + 4);
    EXPECT_LE(button.maxX(), notice->view()->bounds().width() - 4);
    // It stays under the texts it belongs to: centred on their column.
    const ui::Rect text = notice->topLabel->frame();
    EXPECT_NEAR(button.midX(), text.midX(), 2);
}

}  // namespace
}  // namespace kestrune
