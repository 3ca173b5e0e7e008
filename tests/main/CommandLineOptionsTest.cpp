#include "main/CommandLineOptions.h"

#include <gtest/gtest.h>

#include <sstream>

#include "main/Scenarios.h"

using kestrune::CommandLineOptions;
using Mode = kestrune::CommandLineOptions::Mode;

namespace {

struct Answer {
    std::optional<int> status;
    std::string out, err;
};

Answer answer(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    auto status = kestrune::answerWithoutStarting(CommandLineOptions::parse(arguments), out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLineOptionsTest, HelpPrintsTheUsageWithEveryOptionAndScenario) {
    for (const char* help : {"--help", "-h"}) {
        auto a = answer({"-clean-run", help});
        EXPECT_EQ(a.status, 0);
        EXPECT_TRUE(a.err.empty());
        for (const char* part : {"usage: kestrune", "-clean-run", "-NMBDebugEnabled", "--scenario NAME",
                                 "--list", "--snapshot DIR", "--snapshots DIR", "--help"})
            EXPECT_NE(a.out.find(part), std::string::npos) << part;
        for (const auto& scenario : kestrune::allScenarios())
            EXPECT_NE(a.out.find(scenario.name + " "), std::string::npos) << scenario.name;
    }
}

TEST(CommandLineOptionsTest, ALineNotUnderstoodPrintsTheUsageToTheErrorStreamAndExits2) {
    const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"-clean-run", "extra"}, "unknown option \"extra\""},
        // The kits read the argument alone: a NO after it would not switch their debug mode off.
        {{"-NMBDebugEnabled", "NO"}, "unknown option \"NO\""},
        {{"YES"}, "unknown option \"YES\""},
        {{"--scenario"}, "--scenario needs the name of a scenario"},
        {{"--scenario", "-clean-run"}, "--scenario needs the name of a scenario"},
        {{"--scenario", "nope"},
         "there is no scenario named \"nope\"; the scenarios are default, desk, dropout"},
        {{"--scenario=desk", "--scenario", "dropout"}, "one scenario at a time"},
        {{"--snapshot"}, "--snapshot needs a folder"},
        {{"-clean-run", "--snapshot", "out"}, "--snapshot comes first"},
        {{"--snapshots", "out"},
         "--snapshots DIR draws the steps of a scenario: it goes with --scenario NAME"},
        {{"--list", "--scenario", "desk", "--snapshots", "out"}, "it goes with --scenario NAME"},
        {{"--scenario", "desk", "--snapshots"}, "--snapshots needs a folder"},
        {{"--scenario", "desk", "--snapshots="}, "--snapshots needs a folder"},
        {{"--snapshot", "out", "--language", "sv"},
         "--language needs one of the interface languages (en, de"},
        {{"--snapshot", "out", "panel", "--language"}, "--language needs one of the interface languages"},
        {{"--snapshot", "out", "--language=PT-pt"}, "--language needs one of the interface languages"},
        // Drawing starts no kit, and the argument is no scene's name.
        {{"--snapshot", "out", "-NMBDebugEnabled"}, "--snapshot starts neither kit"},
        {{"--snapshot", "out", "panel", "-NMBDebugEnabled", "YES"}, "--snapshot starts neither kit"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        auto a = answer(arguments);
        EXPECT_EQ(a.status, 2);
        EXPECT_TRUE(a.out.empty()) << "nothing on the output stream";
        EXPECT_EQ(a.err.rfind("kestrune: ", 0), 0u);
        EXPECT_NE(a.err.find(message), std::string::npos) << a.err;
        EXPECT_NE(a.err.find("usage: kestrune"), std::string::npos);
    }
}

TEST(CommandLineOptionsTest, WhatStartsTheApplication) {
    struct Case {
        std::vector<std::string> arguments;
        Mode mode;
        std::string scenario;
        bool cleanRun;
        std::string snapshots = "";
    };
    const Case cases[] = {
        {{}, Mode::Run, "", false},
        {{"-clean-run"}, Mode::Run, "", true},
        // The relaunch passes the original line on with its own mark.
        {{"-clean-run", "-relaunched"}, Mode::Run, "", true},
        {{"--scenario", "desk"}, Mode::Scenario, "desk", false},
        {{"--scenario=wrong-password", "-clean-run"}, Mode::Scenario, "wrong-password", true},
        {{"--snapshot", "out", "panel"}, Mode::Snapshot, "", false},
        {{"--snapshots", "road", "--scenario", "default"}, Mode::Scenario, "default", false, "road"},
        {{"--scenario=dropout", "--snapshots=/tmp/a b"}, Mode::Scenario, "dropout", false, "/tmp/a b"},
        // The kits' debug mode, read by them from the arguments the application runs with.
        {{"-NMBDebugEnabled"}, Mode::Run, "", false},
        {{"-NMBDebugEnabled", "YES", "-clean-run"}, Mode::Run, "", true},
        {{"-NMBDebugEnabled", "YES", "--scenario", "desk"}, Mode::Scenario, "desk", false},
        {{"--scenario", "desk", "-NMBDebugEnabled", "-relaunched"}, Mode::Scenario, "desk", false},
    };
    for (const auto& c : cases) {
        auto options = CommandLineOptions::parse(c.arguments);
        EXPECT_EQ(options.mode, c.mode);
        EXPECT_EQ(options.scenario, c.scenario);
        EXPECT_EQ(options.cleanRun, c.cleanRun);
        EXPECT_EQ(options.snapshots, c.snapshots);
        std::ostringstream out, err;
        EXPECT_FALSE(kestrune::answerWithoutStarting(options, out, err));
    }
}

TEST(CommandLineOptionsTest, SnapshotScenesAndTheLanguageTheyReadIn) {
    auto plain = CommandLineOptions::parse({"--snapshot", "out", "panel", "settings-window"});
    EXPECT_EQ(plain.scenes, (std::vector<std::string>{"panel", "settings-window"}));
    EXPECT_EQ(plain.language, "en");
    auto german = CommandLineOptions::parse({"--snapshot", "out", "panel", "--language", "de", "wizard"});
    EXPECT_EQ(german.mode, Mode::Snapshot);
    EXPECT_EQ(german.scenes, (std::vector<std::string>{"panel", "wizard"}));
    EXPECT_EQ(german.language, "de");
    auto portuguese = CommandLineOptions::parse({"--snapshot", "out", "--language=pt-PT"});
    EXPECT_TRUE(portuguese.scenes.empty());
    EXPECT_EQ(portuguese.language, "pt-PT");
}

TEST(CommandLineOptionsTest, ListNamesTheScenariosAndTheDefaultIsWhatMakeRunPlays) {
    auto a = answer({"--list"});
    EXPECT_EQ(a.status, 0);
    std::istringstream lines(a.out);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) names.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(names, (std::vector<std::string>{"default", "desk", "dropout", "wrong-password", "wifi",
                                               "hotkey", "clipboard", "background"}));
    EXPECT_NE(a.out.find("(make run)"), std::string::npos);
}

TEST(CommandLineOptionsTest, AScenarioRunsCleanAndACleanRunSaysSoFirst) {
    char program[] = "kestrune";
    char scenario[] = "--scenario";
    char name[] = "dropout";
    char* argv[] = {program, scenario, name};
    auto options = CommandLineOptions::parse(3, argv);
    EXPECT_EQ(kestrune::applicationArguments(3, argv, options),
              (std::vector<std::string>{"kestrune", "--scenario", "dropout", "-clean-run"}));
    auto notices = kestrune::startupNotices(options);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[1].find("Clean run: "), std::string::npos);

    auto plain = CommandLineOptions::parse(std::vector<std::string>{});
    EXPECT_TRUE(kestrune::startupNotices(plain).empty());
    EXPECT_EQ(kestrune::applicationArguments(1, argv, plain), std::vector<std::string>{"kestrune"});
    auto clean = CommandLineOptions::parse(std::vector<std::string>{"-clean-run"});
    ASSERT_EQ(kestrune::startupNotices(clean).size(), 1u);
    EXPECT_EQ(kestrune::startupNotices(clean)[0].rfind("Clean run: ", 0), 0u);
    // Only the scenario, in a home of its own, may promise to leave the user's settings alone.
    EXPECT_NE(notices[1].find("not touched"), std::string::npos);
    EXPECT_EQ(kestrune::startupNotices(clean)[0].find("not touched"), std::string::npos);
    // And the help's word on a clean run by itself is the notice's: its launch records go into the
    // user's own settings.
    const std::string help = kestrune::usageText();
    const std::string entry =
        help.substr(help.find("  -clean-run "), help.find("  --scenario NAME") - help.find("  -clean-run "));
    EXPECT_EQ(entry.find("yours stay"), std::string::npos) << entry;
    for (const char* part :
         {"launch records", "phone looked for first", "crash kit's files", "in your own settings"})
        EXPECT_NE(entry.find(part), std::string::npos) << part << "\n" << entry;
}

}  // namespace
