#pragma once

#include "engine/session/AutoHideNotificationPresenter.h"

namespace kestrune {

// The engine's notices (the password typed into a system dialog) shown as the application's
// notifications that hide themselves after 5 s.
class KSAutoHideNotificationPresenter : public AutoHideNotificationPresenter {
public:
    void showAutoHideNotificationWithText_identifier(const std::string& text,
                                                     const std::string& identifier) override;
};

}  // namespace kestrune
