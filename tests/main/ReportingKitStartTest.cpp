#include "main/ReportingKitStart.h"

#include <gtest/gtest.h>

#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKContext.h"
#include "tests/support/TestEnvironment.h"

namespace {

class FakeCrashKit : public reporting::RKTKit {
public:
    int initializations = 0;
    std::string bundleIdentifier() const override { return "com.reportkit.crash"; }
    std::string kitDisplayVersion() const override { return "3.12.0"; }
    void initializeIfNeeded() override { ++initializations; }
};

class ReportingKitStartTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        reporting::RKTKitClass::unregisterAllClassesForTesting();
        reporting::ReportKit::resetSharedForTesting();
        KestruneTest::TearDown();
    }
    kestrune::ReportingKitStart start;
};

TEST_F(ReportingKitStartTest, StartsOnceWithTheCrashKit) {
    auto kit = std::make_shared<FakeCrashKit>();
    reporting::RKTKitClass::registerClass(
        reporting::RKTKitClass::kitClass(kestrune::ReportingKitStart::kCrashKitClassName, kit));
    start.startReportingKit();
    start.startReportingKit();  // a second start does nothing
    EXPECT_EQ(kit->initializations, 1);
}

TEST_F(ReportingKitStartTest, TheKitsClassesAreFoundByNameWithTheOperationsTheCrashKitAsksFor) {
    kestrune::ReportingKitStart::registerKits();
    reporting::CRKContextSetHooks({});  // no handlers in the test process
    auto registry = reporting::RKTKitClass::classNamed("ReportKit");
    ASSERT_TRUE(registry);
    EXPECT_TRUE(registry->instancesRespondToSelector("installationMode"));
    EXPECT_TRUE(registry->instancesRespondToSelector("setInstallationMode:"));
    EXPECT_FALSE(registry->respondsToSelector("initializeKitsWithReportKitAPIKey"));
    registry->performInstanceSelector("setInstallationMode:", {platform::Value(2LL)});
    EXPECT_EQ(registry->performInstanceSelector("installationMode"), platform::Value(2LL));
    auto crashKit = reporting::RKTKitClass::classNamed(kestrune::ReportingKitStart::kCrashKitClassName);
    ASSERT_TRUE(crashKit && crashKit->conformsToRKTKit());
    auto usageKit = reporting::RKTKitClass::classNamed("UsageKit");
    ASSERT_TRUE(usageKit && usageKit->conformsToRKTKit());
    for (const char* selector : {"startWithBetaToken:", "logPreviousSessionCrashedOnDate:",
                                 "logCustomEventWithName:customAttributes:"})
        EXPECT_TRUE(usageKit->respondsToSelector(selector)) << selector;
}

TEST_F(ReportingKitStartTest, WithoutTheCrashKitReportingStaysOff) {
    testsupport::LogCapture log;
    start.startReportingKit();
    EXPECT_TRUE(log.contains("crash reporting is off"));
}

}  // namespace
