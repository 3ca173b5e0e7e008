#include <gtest/gtest.h>

#include "tests/layering/LayeringChecker.h"

namespace {

layering::Rules rulesOfTheTree() {
    std::string error;
    auto rules = layering::parseRules(layering::readFile(KESTRUNE_LAYERING_RULES), error);
    EXPECT_TRUE(rules) << error;
    return rules.value_or(layering::Rules{});
}

std::string describe(const std::vector<layering::Violation>& violations) {
    std::string text;
    for (const auto& v : violations)
        text += v.file + ":" + std::to_string(v.line) + ": \"" + v.include + "\": " + v.reason + "\n";
    return text;
}

TEST(LayeringTest, EveryIncludeOfTheTreeKeepsTheLayers) {
    const auto rules = rulesOfTheTree();
    const auto files = layering::trackedSources(KESTRUNE_SOURCE_DIR);
    // A listing that found nothing would pass for the wrong reason.
    ASSERT_GT(files.size(), 300u);
    EXPECT_TRUE(std::any_of(files.begin(), files.end(),
                            [](const auto& f) { return f.path == "platform/base/RunLoop.cpp"; }));
    const auto violations = layering::check(rules, files);
    EXPECT_TRUE(violations.empty()) << describe(violations);
}

// The checker itself, on planted files: each case is one file with one include.
TEST(LayeringTest, PlantedIncludesAreJudgedByTheRuleTable) {
    const auto rules = rulesOfTheTree();
    struct Case {
        const char* file;
        const char* include;
        bool allowed;
    };
    const Case cases[] = {
        {"app/store/DataManager.cpp", "platform/base/Log.h", true},
        {"platform/base/Log.cpp", "app/store/DataManager.h", false},  // upward
        {"link/transport/Bluetooth.cpp", "engine/coordinator/StateMachine.h", false},
        {"windows/Screen.cpp", "features/history/History.h", true},  // down several layers
        {"features/wifi/Wifi.cpp", "features/history/History.h", true},
        {"main/main.cpp", "windows/Screen.h", true},
        {"main/main.cpp", "reporting/UsageKit/Events.h", true},
        {"reporting/crash/unwind/CRKUnwind.cpp", "reporting/core/Operation.h", true},
        {"reporting/crash/unwind/CRKUnwind.cpp", "reporting/UsageKit/Events.h", false},  // sideways
        {"reporting/UsageKit/Events.cpp", "reporting/crash/CRKSDKLog.h", false},
        {"reporting/UsageKit/Events.cpp", "platform/base/Log.h", true},
        {"reporting/core/Operation.cpp", "app/support/MD5.h", false},  // the other chain
        {"app/shell/AppDelegate.cpp", "reporting/core/ReportKit.h", false},
        {"app/shell/AppDelegate.cpp", "platform/sim/radio/Radio.h", false},
        {"platform/bluetooth/BluetoothBackend.cpp", "platform/sim/radio/Radio.h", false},
        {"platform/sim/radio/Radio.cpp", "platform/bluetooth/Peripheral.h", true},
        {"platform/sim/radio/Radio.cpp", "platform/sim/SimulatedPhone.h", true},
        {"platform/sim/SimulatedPhone.cpp", "link/transport/Bluetooth.h",
         false},  // a backend is platform too
        {"tests/link/BluetoothFixture.h", "platform/sim/radio/Radio.h", true},
        {"fuzz/fuzz_coder.cpp", "platform/sim/PhoneMessageCoder.h", true},
        {"bench/link_bench.cpp", "platform/sim/radio/Radio.h", true},
        {"tools/probe.cpp", "platform/sim/radio/Radio.h", false},
        {"features/photos/Photos.cpp", "tests/support/TestEnvironment.h", false},  // outside the layers
        {"app/support/Base64.cpp", "Base64Table.h", true},                         // beside the file
        // Inside a folder whose subfolders are ordered.
        {"reporting/crash/capture/CRKSignal.cpp", "reporting/crash/kit/CrashKit.h", false},
        {"reporting/crash/kit/CrashKit.cpp", "reporting/crash/capture/CRKSignal.h", true},
        {"reporting/crash/store/CRKReport.cpp", "reporting/crash/capture/CRKSignal.h", false},
        {"reporting/crash/image/CRKBinaryImage.cpp", "reporting/crash/unwind/CRKDwarfUnwind.h", false},
        {"reporting/crash/unwind/CRKUnwind.cpp", "reporting/crash/image/CRKBinaryImage.h", true},
        {"reporting/crash/CRKSDKLog.cpp", "reporting/crash/store/CRKFileReader.h",
         false},  // the top is lowest
        {"reporting/crash/store/CRKFileReader.cpp", "reporting/crash/CRKSDKLog.h", true},
        {"reporting/crash/capture/CRKSignal.cpp", "reporting/core/Operation.h",
         true},  // what the kit reaches
        {"reporting/UsageKit/UsageKit.cpp", "reporting/crash/kit/CrashKit.h", false},
        {"main/main.cpp", "reporting/crash/kit/CrashKit.h", true},
        {"app/records/MobileDevice.cpp", "app/store/DataManager.h", false},
        {"app/store/DataManager.cpp", "app/records/MobileDevice.h", true},
        {"app/support/Utilities.cpp", "app/records/Device.h", false},
        {"app/records/Device.cpp", "platform/base/Log.h", true},
        {"link/transport/Bluetooth.cpp", "app/records/Device.h", true},  // any subfolder of a lower folder
        {"link/message/Message.cpp", "link/transport/Bluetooth.h", false},
        {"link/requests/RequestController.cpp", "link/transport/ConnectionController.h", true},
        {"engine/deciders/RSSIUpdateDecider.cpp", "engine/coordinator/StateMachine.h", false},
        {"engine/coordinator/StateMachine.cpp", "engine/deciders/RSSIUpdateDecider.h", true},
        {"engine/evidence/IdleTimer.cpp", "engine/session/UserControl.h", false},
        {"engine/evidence/IdleTimer.cpp", "link/requests/RSSIIntake.h", true},
        {"engine/Delegate.h", "engine/coordinator/StateMachine.h", false},
        {"features/wifi/Wifi.cpp", "engine/coordinator/StateMachine.h", true},
        {"features/wifi/Wifi.cpp", "engine/evidence/IdleTimer.h", true},
    };
    for (const auto& c : cases) {
        const std::string text =
            std::string("// a file\n#include <vector>\n\n  #  include \"") + c.include + "\"\n";
        const auto violations = layering::check(rules, {{c.file, text}});
        EXPECT_EQ(violations.empty(), c.allowed) << c.file << " -> " << c.include << "\n"
                                                 << describe(violations);
        if (!violations.empty()) {
            EXPECT_EQ(violations[0].line, 4) << c.file;
        }
    }
    // Only include lines count.
    EXPECT_TRUE(layering::check(rules, {{"platform/base/Log.cpp",
                                         "// #include \"app/store/DataManager.h\"\n"
                                         "const char* name = \"#include \\\"app/x.h\\\"\";\n"}})
                    .empty());
}

TEST(LayeringTest, AFaultyRuleTableIsRefused) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"order platform app\nforbid app\n", "unknown rule `forbid`"},
        {"order platform\n", "at least two folders"},
        {"order platform app\nonly platform/sim main\n", "expected `only folder: users...`"},
        {"order platform app link\norder link platform\n", "both above and below"},
        {"# nothing\n", "no order"},
        {"order platform app\norder app/records app/store\n",
         "app/records lies in app but is not ordered above it"},
        {"order platform app\norder app/store app app/records\n", "app/store lies in app"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(layering::parseRules(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

}  // namespace
