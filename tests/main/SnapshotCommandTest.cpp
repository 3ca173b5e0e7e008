// `kestrune --snapshot DIR [NAME...]` run as a program: quiet unless the log's debug switch is on or a scene
// could not be drawn, with one closing line naming how many scenes were drawn and where.

#include "main/SnapshotCommand.h"


#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/records/MacSessionServices.h"
#include "app/store/DataManager.h"
#include "app/support/DateAndTimeHelper.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "main/SimulatedMacNames.h"
#include "platform/base/Clock.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/Files.h"
#include "platform/system/ProcessInfo.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"
#include "windows/wizard/ConfigureViewController.h"
#include "windows/wizard/InitalWizzardController.h"

namespace {

class SnapshotCommandTest : public testsupport::KestruneTest {};

TEST_F(SnapshotCommandTest, TheClosingLineCountsTheScenesDrawnAndThoseThatWereNot) {
    EXPECT_EQ(kestrune::snapshotSummary(143, 0, "/tmp/pictures"), "143 scenes drawn in /tmp/pictures");
    EXPECT_EQ(kestrune::snapshotSummary(1, 0, "out"), "1 scene drawn in out");
    EXPECT_EQ(kestrune::snapshotSummary(3, 1, "out"),
              "2 scenes drawn in out; 1 could not be drawn (the log says why)");
}

#ifdef KESTRUNE_PROGRAM_PATH
// Runs the program in the folder with this environment less the debug switch, and the entries given.
testsupport::ProgramRun runProgram(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& extraEnvironment,
                                   const std::string& folder) {
    return testsupport::runProgram(
        arguments, testsupport::childEnvironment({"KESTRUNE_LOG_DEBUG="}, extraEnvironment), folder);
}

// The error stream less the leak checker's count of the suppressions it used, which a sanitized build of
// the program prints at exit (the drawing libraries' caches): the program itself said nothing else.
std::string withoutSanitizerSummary(std::string err) {
    const std::string rule = "-----------------------------------------------------\n";
    const size_t start = err.find(rule + "Suppressions used:");
    if (start == std::string::npos) return err;
    size_t end = err.find(rule, start + rule.size());
    end = end == std::string::npos ? err.size() : end + rule.size();
    if (end < err.size() && err[end] == '\n') ++end;
    return err.erase(start, end - start);
}

TEST_F(SnapshotCommandTest, PicturesAreTakenQuietlyUnlessTheDebugSwitchIsOn) {
    const std::string program = KESTRUNE_PROGRAM_PATH;
    const std::string pictures = home() + "/pictures";
    // A menu-bar scene (it waits for its fades) and a wizard (pages load views and turn).
    const std::vector<std::string> quiet = {program, "--snapshot", pictures, "menubar-panel-connected",
                                            "screens-wizard-accept"};
    auto run = runProgram(quiet, {}, home());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2 scenes drawn in " + pictures + "\n");
    EXPECT_EQ(run.err.find("Loading view"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("pageIndex"), std::string::npos) << run.err;
    EXPECT_TRUE(platform::Files::exists(pictures + "/menubar-panel-connected.png"));
    EXPECT_TRUE(platform::Files::exists(pictures + "/screens-wizard-accept.png"));

    run = runProgram(quiet, {"KESTRUNE_LOG_DEBUG=1"}, home());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Loading view"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("pageIndex"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Snapshot: " + pictures + "/screens-wizard-accept.png"), std::string::npos);

    // A name no scene has: said on the error stream and counted in the closing line. A scene that could
    // not be drawn brings the application's log lines held back until then (the records a scene made).
    run =
        runProgram({program, "--snapshot", pictures, "menubar-panel-connected", "no-such-scene"}, {}, home());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "1 scene drawn in " + pictures + "; 1 could not be drawn (the log says why)\n");
    EXPECT_NE(run.err.find("Snapshot: no scene named no-such-scene"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Updating connection status: Default Value!!"), std::string::npos) << run.err;
}

// Drawing makes no request and says nothing but its closing line: not the settings records it makes, nor
// the radio coming on, nor the panel the scenes open, nor the update check that the settings pages' update
// state would start once the scenes' virtual time had passed its wait after start-up (ten panels take
// longer than that). The configuration's address is a server of the test's own, which hears nothing.
TEST_F(SnapshotCommandTest, DrawingSendsNoRequestAndSaysOnlyItsClosingLine) {
    testsupport::LoopbackServer server;
    ASSERT_TRUE(server.start());
    const std::string pictures = home() + "/pictures";
    std::vector<std::string> command = {KESTRUNE_PROGRAM_PATH, "--snapshot", pictures};
    for (int i = 0; i < 10; ++i) command.push_back("menubar-panel-connected");
    for (const char* scene : {"settings-advanced", "settings-updates-up-to-date", "settings-devices-pairing",
                              "screens-wizard-configure", "crash-send-prompt", "menubar-panel-notice"})
        command.push_back(scene);
    const auto run = runProgram(command, {"KESTRUNE_CONFIG_URL=" + server.url("/config.xml")}, home());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::to_string(command.size() - 3) + " scenes drawn in " + pictures + "\n");
    EXPECT_EQ(withoutSanitizerSummary(run.err), "");
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_TRUE(platform::Files::exists(pictures + "/crash-send-prompt.png"));
}
#endif

// The pictures' Mac is the scenarios' Mac: Ada's, with her account, whoever draws them. The pairing wizard's
// set-up page (drawn in the settings window) names her account and her Mac, as the phone would.
TEST_F(SnapshotCommandTest, TheSetUpPageNamesTheSimulatedMacsAccountNotTheOneDrawingIt) {
    unsetenv("KESTRUNE_USER_NAME");
    unsetenv("KESTRUNE_COMPUTER_NAME");
    const std::string drawer = platform::ProcessInfo::shared().userName();
    kestrune::nameTheSimulatedMac();
    kestrune::DataManager::resetSharedForTesting();
    auto session = platform::SimulatedSession::create(home() + "/Session");
    session->install();
    kestrune::EngineSessionServices::install();
    auto wizard = kestrune::KSWindowController::create<kestrune::InitalWizzardController>();
    ASSERT_TRUE(wizard->window());
    wizard->showPageAtIndex_animated(kestrune::InitalWizzardController::kConfigurePage, false);
    const auto& page = *wizard->configureViewController();
    ASSERT_TRUE(page.userNameTextField && page.deviceNameLabel);
    EXPECT_EQ(page.userNameTextField->stringValue(), kestrune::kSimulatedAccountName);
    EXPECT_NE(page.userNameTextField->stringValue(), drawer);
    EXPECT_EQ(page.deviceNameLabel->stringValue(), kestrune::kSimulatedComputerName);

    // A name the environment gives wins.
    setenv("KESTRUNE_USER_NAME", "grace", 1);
    kestrune::nameTheSimulatedMac();
    EXPECT_EQ(platform::ProcessInfo::shared().userName(), "grace");
    platform::SimulatedSession::uninstall();
    kestrune::MacSessionServices::install(nullptr);
    unsetenv("KESTRUNE_USER_NAME");
    unsetenv("KESTRUNE_COMPUTER_NAME");
    kestrune::DataManager::resetSharedForTesting();
}

// The pictures are taken at 9:41 of the day they are drawn, local time, whatever the time of day and on
// a day the clocks change: the drawn phone's clock reads the same on every run, a date today's.
TEST_F(SnapshotCommandTest, PicturesAreTakenAtNineFortyOneOfTheDay) {
    const char* zone = std::getenv("TZ");
    const std::string previousZone = zone ? zone : "";
    // Zones given by their rules, which need no zone database: Berlin's and New York's.
    for (const char* tz : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0"}) {
        setenv("TZ", tz, 1);
        tzset();
        // Early, late, and on the days the clocks go forward and back (in Berlin and New York).
        for (const char* day : {"2026-03-29 00:30:00", "2026-03-29 23:50:00", "2026-10-25 05:00:00",
                                "2026-03-08 01:00:00", "2026-11-01 23:00:00", "2026-12-07 09:41:00"}) {
            SCOPED_TRACE(std::string(tz) + " " + day);
            std::tm wanted{};
            ASSERT_TRUE(strptime(day, "%Y-%m-%d %H:%M:%S", &wanted));
            wanted.tm_isdst = -1;
            const double at = static_cast<double>(std::mktime(&wanted));
            const auto moment = static_cast<std::time_t>(kestrune::snapshotMoment(at));
            std::tm local{};
            localtime_r(&moment, &local);
            EXPECT_EQ(local.tm_year, wanted.tm_year);
            EXPECT_EQ(local.tm_yday, wanted.tm_yday);
            EXPECT_EQ(local.tm_hour, 9);
            EXPECT_EQ(local.tm_min, 41);
            EXPECT_EQ(local.tm_sec, 0);
            // What the drawn phone's status bar reads.
            platform::Clock::setVirtualNow(static_cast<double>(moment));
            EXPECT_EQ(kestrune::DateAndTimeHelper::hourAndMinuteString(), "9:41");
        }
    }
    if (zone)
        setenv("TZ", previousZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
