// The log's debug switch: debugging detail reaches the log only while it is on.

#include "platform/base/Log.h"

#include "tests/support/TestEnvironment.h"

namespace {

class LogTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        platform::Log::setDebug(false);
        testsupport::KestruneTest::TearDown();
    }
    testsupport::LogCapture capture;
};

TEST_F(LogTest, DebuggingLinesAreWrittenOnlyWhileTheSwitchIsOn) {
    platform::Log::setDebug(false);
    platform::logDebugf("page %d turned to", 2);
    platform::logf("an event %s", "for everyone");
    EXPECT_FALSE(capture.contains("page 2 turned to"));
    EXPECT_TRUE(capture.contains("an event for everyone"));

    platform::Log::setDebug(true);
    EXPECT_TRUE(platform::Log::debug());
    platform::logDebugf("page %d turned to", 3);
    EXPECT_TRUE(capture.contains("page 3 turned to"));
}

}  // namespace
