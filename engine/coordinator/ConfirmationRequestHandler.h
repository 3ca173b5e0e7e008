#pragma once

#include <memory>

#include "app/support/EventTimestamp.h"

namespace kestrune {

class MobileDevice;

// Whether a request asking the phone to confirm an unlock goes silently or as a visible alert, and
// whether proximity locking pauses after an unlock. Main thread.
class ConfirmationRequestHandler {
public:
    static constexpr double kSilentWindowSeconds = 6.0;
    static constexpr double kRecentDisconnectSeconds = 45.0;

    bool shouldSendSilentRSSIConfirmationReqeustForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldSendSilenPasswordConfirmationForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(
        const std::shared_ptr<MobileDevice>& device);
    bool shouldTemporaryDisableKestruneAfterLoginForMobileDevice(const std::shared_ptr<MobileDevice>& device);

    void didExitProximityUnlockRadius() { sendRSSILoginRequestWhenEnteringRadius_ = true; }
    void didHidePasswordFieldOnScreen() { sendLoginRequestNextTimeDeviceConnects_ = true; }
    void didSendRSSILoginRequest();
    void didSendPasswordAppearedRequest();
    void userDidLogin();
    void userDidLogout();

    bool sendRSSILoginRequestWhenEnteringRadius() const { return sendRSSILoginRequestWhenEnteringRadius_; }
    bool sendLoginRequestNextTimeDeviceConnects() const { return sendLoginRequestNextTimeDeviceConnects_; }

private:
    EventTimestamp confirmationReqeustSentTimestamp_;
    EventTimestamp confirmationRSSIReqeustSentTimestamp_;
    bool sendRSSILoginRequestWhenEnteringRadius_ = true;
    bool sendLoginRequestNextTimeDeviceConnects_ = true;
};

}  // namespace kestrune
