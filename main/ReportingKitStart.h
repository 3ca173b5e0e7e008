#pragma once

#include "app/shell/ShellServices.h"

namespace kestrune {

// Starts the reporting kit with the crash kit, when the crash kit is part of the build. The entry is
// the one place that sees both the application and the kit, so the application delegate reaches this
// through its service interface.
class ReportingKitStart : public ReportingKitService {
public:
    // The crash kit's class name, as the reporting kit's class list knows it.
    static constexpr const char* kCrashKitClassName = "CrashKit";
    void startReportingKit() override;
};

}  // namespace kestrune
