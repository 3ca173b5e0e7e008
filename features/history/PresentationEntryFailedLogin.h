#pragma once

#include <memory>

#include "app/records/FailedLoginEntry.h"
#include "features/history/PresentationEntry.h"

namespace kestrune {

// A row of one failed login.
class PresentationEntryFailedLogin : public PresentationEntry {
public:
    std::shared_ptr<FailedLoginEntry> failedLoginEntry;
};

}  // namespace kestrune
