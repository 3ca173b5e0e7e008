#pragma once

#include <memory>

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The pairing wizard's last page: a picture of the phone asking for this Mac's login password, with
// this Mac's name, the user's name and the time, so that the user finishes the set-up on the phone.
class ConfigureViewController : public BaseViewController {
public:
    std::optional<std::string> nibName() const override;
    void loadView() override;
    void setDevice(std::shared_ptr<Device> device);
    void setDeviceUser(std::shared_ptr<DeviceUser> user);
    void updateStrings() override;
    // The names and the time as they are now; the time does not run on by itself.
    void updateView();
    void backToggled(ui::Control&) {}

    const std::shared_ptr<Device>& device() const { return device_; }
    const std::shared_ptr<DeviceUser>& deviceUser() const { return deviceUser_; }

    std::shared_ptr<ui::TextField> textLabel;
    std::shared_ptr<ui::TextField> timeTextField;
    std::shared_ptr<ui::TextField> smallTextLabel;
    std::shared_ptr<ui::TextField> deviceNameLabel;
    std::shared_ptr<ui::TextField> inputLoginInformationLabel;
    std::shared_ptr<ui::TextField> userNameTextField;
    std::shared_ptr<ui::TextField> passwordTextField;
    std::shared_ptr<ui::TextField> connectTextField;
    std::shared_ptr<ui::TextField> cancelTextField;
    std::shared_ptr<ui::ImageView> frameImageView;

private:
    std::shared_ptr<Device> device_;
    std::shared_ptr<DeviceUser> deviceUser_;
};

}  // namespace kestrune
