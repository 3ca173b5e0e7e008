#pragma once

#include <memory>

#include "platform/ui/UIObject.h"

namespace kestrune {

class FailedLoginEntry;
class LoginLogoutEntry;

// What the lock/unlock history window reports about its rows. The coordinator opens the photo window
// for a failed login; the photos and history page also answers the other two, which a receiver may
// leave alone. The sender is the window (may be none).
class LoginLogoutHistoryWindowDelegate {
public:
    virtual ~LoginLogoutHistoryWindowDelegate() = default;
    // A failed-login row whose photo file exists was selected.
    virtual void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        platform::ui::UIObject* window, const std::shared_ptr<FailedLoginEntry>& entry) = 0;
    // Any other row whose history record has an existing photo file was selected.
    virtual void loginLogoutHistoryWindow_didSelectLoginLogoutEntry(
        platform::ui::UIObject*, const std::shared_ptr<LoginLogoutEntry>&) {}
    // The information button was pressed.
    virtual void loginLogoutHistoryWindowDidSelectInfo(platform::ui::UIObject*) {}
};

}  // namespace kestrune
