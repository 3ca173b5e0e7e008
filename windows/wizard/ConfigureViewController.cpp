#include "windows/wizard/ConfigureViewController.h"

#include "app/support/DateAndTimeHelper.h"
#include "app/support/Localizable.h"
#include "uikit/text/TextFieldAdditions.h"

namespace kestrune {

void ConfigureViewController::loadView() {
    BaseViewController::loadView();
    updateView();
}

void ConfigureViewController::setDevice(std::shared_ptr<Device> device) {
    device_ = std::move(device);
    updateView();
}

void ConfigureViewController::setDeviceUser(std::shared_ptr<DeviceUser> user) {
    deviceUser_ = std::move(user);
    updateView();
}

void ConfigureViewController::updateStrings() {
    BaseViewController::updateStrings();
    if (textLabel) textLabel->setStringValue(localizable("use_iphone_to_set_up_kestrune"));
    if (inputLoginInformationLabel)
        inputLoginInformationLabel->setStringValue(localizable("enter_login_password"));
    if (smallTextLabel) smallTextLabel->setStringValue(localizable("your_data_is_secure"));
    if (passwordTextField) {
        passwordTextField->setStringValue(localizable("password"));
        passwordTextField->setAlphaValue(0.7);
    }
    if (connectTextField) connectTextField->setStringValue(localizable("connect"));
    if (cancelTextField) cancelTextField->setStringValue(localizable("cancel"));
    updateView();
}

void ConfigureViewController::updateView() {
    if (userNameTextField)
        setStringValueOrEmptyString(*userNameTextField, deviceUser_ ? deviceUser_->username() : std::nullopt);
    if (deviceNameLabel)
        setStringValueOrEmptyString(*deviceNameLabel, device_ && device_->deviceInfo()
                                                          ? device_->deviceInfo()->deviceName()
                                                          : std::nullopt);
    if (timeTextField) timeTextField->setStringValue(DateAndTimeHelper::hourAndMinuteString());
}

}  // namespace kestrune
