#pragma once

#include <memory>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "platform/ui/WindowController.h"

namespace kestrune {

// Hears the lock/unlock history window (a window controller of the interface folders). Each operation
// is optional: a receiver ignores what it does not handle.
class LoginLogoutHistoryWindowDelegate {
public:
    virtual ~LoginLogoutHistoryWindowDelegate() = default;
    // A failed-login row whose photo file exists was selected.
    virtual void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        platform::ui::WindowController&, const std::shared_ptr<FailedLoginEntry>&) {}
    // Any other row whose history record has an existing photo file was selected.
    virtual void loginLogoutHistoryWindow_didSelectLoginLogoutEntry(
        platform::ui::WindowController&, const std::shared_ptr<LoginLogoutEntry>&) {}
    // The information button was pressed.
    virtual void loginLogoutHistoryWindowDidSelectInfo(platform::ui::WindowController&) {}
};

}  // namespace kestrune
