#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/wakeunlock/MacSleepScreenTurnKestruneOffDelegate.h"

namespace kestrune {

// Asks the user to switch off the two features that would unlock the Mac on their own: proximity
// unlock and trusted Wi-Fi unlock. A button opens the panel at once and makes its change half a second
// later, so that the user sees the switch move there.
class MacSleepScreenTurnKestruneOff : public BaseViewController {
public:
    enum Choice : int32_t { kOpenMainMenu = 0, kTrackingSwitchedOff = 1, kTurnSafeWifiOff = 2 };
    static constexpr double kChangeDelay = 0.5;

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void updateStrings() override;
    void updateViewForNewSettings();
    void kestruneOffToggled(ui::Control& sender);
    void safeWifiOffToggled(ui::Control& sender);

    void setDelegate(std::weak_ptr<MacSleepScreenTurnKestruneOffDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> topLabel;
    std::shared_ptr<ui::TextField> kestruneLabel;
    std::shared_ptr<ui::TextField> safeWifilabel;
    std::shared_ptr<ui::TextField> footerLabel;
    std::shared_ptr<ui::Button> kestruneButton;
    std::shared_ptr<ui::Button> safeWifiButton;

private:
    void select(int32_t choice);

    std::weak_ptr<MacSleepScreenTurnKestruneOffDelegate> delegate_;
};

}  // namespace kestrune
