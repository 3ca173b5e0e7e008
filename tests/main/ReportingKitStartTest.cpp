#include "main/ReportingKitStart.h"

#include <gtest/gtest.h>

#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
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

TEST_F(ReportingKitStartTest, WithoutTheCrashKitReportingStaysOff) {
    testsupport::LogCapture log;
    start.startReportingKit();
    EXPECT_TRUE(log.contains("crash reporting is off"));
}

}  // namespace
