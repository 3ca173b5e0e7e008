#pragma once

#include <memory>

#include "app/records/LoginLogoutEntry.h"
#include "features/history/PresentationEntry.h"

namespace kestrune {

// A row of one history event: started, unlocked, locked or quit.
class LoginLogoutPresentationEntry : public PresentationEntry {
public:
    std::shared_ptr<LoginLogoutEntry> loginLogoutEntry;
};

}  // namespace kestrune
