#include "platform/system/SystemCommands.h"

#include "platform/base/Clock.h"
#include "platform/system/CommandResponderChain.h"
#include "platform/system/ThreadPause.h"
#include "tests/support/TestEnvironment.h"

using namespace platform;

namespace {

// Stands for one tool: answers "<tool> --version" and lets everything else run.
class ToolResponder : public SystemCommands::Responder {
public:
    explicit ToolResponder(std::string tool = "tool", std::string version = "1.0")
        : tool_(std::move(tool)), version_(std::move(version)) {}
    std::optional<Shell::Result> respond(const std::string& path, const std::vector<std::string>& arguments,
                                         const std::string&) override {
        if (path != "/bin/sh" || arguments.size() != 2 || arguments[1] != tool_ + " --version")
            return std::nullopt;
        Shell::Result result;
        result.launched = true;
        result.exitStatus = 0;
        result.output = tool_ + " " + version_ + "\n";
        return result;
    }

private:
    std::string tool_, version_;
};

}  // namespace

class SystemCommandsTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        SystemCommands::installResponder(nullptr);
        KestruneTest::TearDown();
    }
};

TEST_F(SystemCommandsTest, ShellCommandsRunForRealWithOutputStatusAndInput) {
    auto result = SystemCommands::runShellCommand("echo out; echo err >&2; exit 4");
    EXPECT_EQ(result.output, "out\n");
    EXPECT_EQ(result.errorOutput, "err\n");
    EXPECT_EQ(result.exitStatus, 4);
    // Output is read to its end, past any pipe buffer.
    EXPECT_EQ(SystemCommands::runShellCommand("head -c 300000 /dev/zero | tr '\\0' x").output,
              std::string(300000, 'x'));
    EXPECT_EQ(SystemCommands::runShellCommand("tr a-z A-Z", "kestrune\n").output, "KESTRUNE\n");
}

TEST_F(SystemCommandsTest, AResponderAnswersOnlyTheCommandsItStandsFor) {
    SystemCommands::installResponder(std::make_shared<ToolResponder>());
    EXPECT_EQ(SystemCommands::runShellCommand("tool --version").output, "tool 1.0\n");
    EXPECT_EQ(SystemCommands::runShellCommand("echo real").output, "real\n");
    SystemCommands::installResponder(nullptr);
    EXPECT_EQ(SystemCommands::runShellCommand("tool --version").exitStatus, 127);  // no such program here
}

TEST_F(SystemCommandsTest, AChainOffersEachCommandInOrderAndRunsWhatNoneAnswers) {
    SystemCommands::installResponder(
        std::make_shared<CommandResponderChain>(std::vector<std::shared_ptr<SystemCommands::Responder>>{
            std::make_shared<ToolResponder>("tool", "1.0"), nullptr,
            std::make_shared<ToolResponder>("tool", "2.0"),
            std::make_shared<ToolResponder>("other", "3.0")}));
    EXPECT_EQ(SystemCommands::runShellCommand("tool --version").output, "tool 1.0\n");  // the first answer
    EXPECT_EQ(SystemCommands::runShellCommand("other --version").output, "other 3.0\n");
    EXPECT_EQ(SystemCommands::runShellCommand("echo real").output, "real\n");
    EXPECT_FALSE(SystemCommands::answerShellCommand("echo real").has_value());
}

TEST_F(SystemCommandsTest, PausesMoveVirtualTimeOn) {
    double began = Clock::now();
    sleepForTimeInterval(0.02);
    EXPECT_NEAR(Clock::now() - began, 0.02, 1e-6);
    sleepForTimeInterval(0);
    sleepForTimeInterval(-1);
    EXPECT_NEAR(Clock::now() - began, 0.02, 1e-6);
}
