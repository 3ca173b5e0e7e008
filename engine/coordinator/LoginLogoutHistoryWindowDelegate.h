#pragma once

#include <memory>

#include "platform/ui/UIObject.h"

namespace kestrune {

class FailedLoginEntry;

// The lock/unlock history window: a failed-login row whose photo file exists was selected.
class LoginLogoutHistoryWindowDelegate {
public:
    virtual ~LoginLogoutHistoryWindowDelegate() = default;
    virtual void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        platform::ui::UIObject* window, const std::shared_ptr<FailedLoginEntry>& entry) = 0;
};

}  // namespace kestrune
