#pragma once

#include <string>

#include "platform/system/Bundle.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "tests/support/TestEnvironment.h"

namespace crashtests {

// The crash kit in the test process: a fresh reporting kit and crash context whose start-up writes the
// report's own files only (no handlers are installed in the test process), under a named bundle.
class CrashKitFixture : public testsupport::KestruneTest {
protected:
    static constexpr const char* kBundleIdentifier = "com.kestrune.Kestrune";

    void SetUp() override {
        KestruneTest::SetUp();
        reporting::ReportKit::resetSharedForTesting();
        reporting::CRKContextResetForTesting();
        reporting::CRKUserLoggingResetForTesting();
        reporting::CRKContextHooks hooks;
        hooks.startUserLogging = reporting::CRKCaptureHooks().startUserLogging;
        reporting::CRKContextSetHooks(hooks);
        platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", kBundleIdentifier}});
    }
    void TearDown() override {
        reporting::CRKContextResetForTesting();
        reporting::CRKUserLoggingResetForTesting();
        platform::Bundle::main().reload();
        reporting::ReportKit::resetSharedForTesting();
        KestruneTest::TearDown();
    }

    // The text in lower-case hex digits, as the records hold names and messages.
    static std::string hex(const std::string& text) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (const unsigned char c : text) {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    }
};

}  // namespace crashtests
