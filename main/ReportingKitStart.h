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
    // Test switch: "1" crashes on the first turns of the run loop, once the launch is over; "early"
    // crashes during the start itself, before the launch counts as survived.
    static constexpr const char* kTestCrashVariable = "KESTRUNE_TEST_CRASH";
    // Test switch: set, the launch sends itself SIGTERM as the kit starts and starts it once the quit has
    // begun, as a quit that lands in the kit's start would (a logout or shutdown just after a launch).
    // Such quits land in that window too rarely for a test to meet it by chance.
    static constexpr const char* kTestQuitAtStartVariable = "KESTRUNE_TEST_QUIT_AT_KIT_START";

    // Puts the kit's classes in the class list, once, before anything starts: the registry, the crash
    // kit with the real capture handlers, and the analytics kit, which the crash kit starts.
    static void registerKits();
    void startReportingKit() override;
};

}  // namespace kestrune
