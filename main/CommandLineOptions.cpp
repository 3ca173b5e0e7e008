#include "main/CommandLineOptions.h"

#include <algorithm>

#include "app/shell/CustomRunArgs.h"
#include "features/language/BundleLanguage.h"
#include "main/Scenarios.h"
#include "reporting/core/ReportKit.h"

namespace kestrune {

namespace {

constexpr const char* kCleanRun = "-clean-run";

std::string scenarioNames() {
    std::string names;
    for (const auto& scenario : allScenarios()) names += (names.empty() ? "" : ", ") + scenario.name;
    return names;
}

CommandLineOptions usageError(std::string text) {
    CommandLineOptions options;
    options.mode = CommandLineOptions::Mode::UsageError;
    options.error = std::move(text);
    return options;
}

}  // namespace

CommandLineOptions CommandLineOptions::parse(int argc, char** argv) {
    return parse(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}

CommandLineOptions CommandLineOptions::parse(const std::vector<std::string>& arguments) {
    CommandLineOptions options;
    // The snapshot command owns the rest of the line: a folder and scene names.
    if (!arguments.empty() && arguments[0] == "--snapshot") {
        if (arguments.size() < 2 || arguments[1].empty() || arguments[1][0] == '-')
            return usageError("--snapshot needs a folder to draw into");
        options.mode = Mode::Snapshot;
        // Scene names, and the language the scenes read in.
        for (size_t i = 2; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            // Drawing starts neither reporting kit: their debug mode would change nothing here, and as a
            // scene name it would only fail later, after the home was made.
            if (argument == reporting::ReportKit::kDebugArgument)
                return usageError(argument + " is for the reporting kits of a running application or a "
                                  "scenario; --snapshot starts neither kit");
            if (argument != "--language" && argument.rfind("--language=", 0) != 0) {
                options.scenes.push_back(argument);
                continue;
            }
            std::string code;
            if (argument == "--language") {
                if (i + 1 < arguments.size()) code = arguments[++i];
            } else {
                code = argument.substr(std::string("--language=").size());
            }
            const auto& codes = supprotedLanguages();
            if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
                std::string known;
                for (const auto& each : codes) known += (known.empty() ? "" : ", ") + each;
                return usageError("--language needs one of the interface languages (" + known + ")");
            }
            options.language = code;
        }
        return options;
    }
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.mode = Mode::Help;
            return options;
        }
        if (argument == "--list") {
            options.mode = Mode::ListScenarios;
        } else if (argument == kCleanRun) {
            options.cleanRun = true;
        } else if (argument == CustomRunArgs::kRelaunchedArgument) {
            // Added by the application when it relaunches itself.
        } else if (argument == reporting::ReportKit::kDebugArgument) {
            // Read by the reporting kits from the process's arguments, which the application runs with
            // as given; written as a setting of the argument domain, it may be followed by YES.
            if (i + 1 < arguments.size() && arguments[i + 1] == "YES") ++i;
        } else if (argument == "--scenario" || argument.rfind("--scenario=", 0) == 0) {
            std::string name;
            if (argument == "--scenario") {
                if (i + 1 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 1][0] == '-')
                    return usageError("--scenario needs the name of a scenario (" + scenarioNames() + ")");
                name = arguments[++i];
            } else {
                name = argument.substr(std::string("--scenario=").size());
            }
            if (!findScenario(name))
                return usageError("there is no scenario named \"" + name + "\"; the scenarios are " +
                                  scenarioNames());
            if (options.mode == Mode::Scenario) return usageError("one scenario at a time");
            if (options.mode != Mode::ListScenarios) options.mode = Mode::Scenario;
            options.scenario = name;
        } else if (argument == "--snapshots" || argument.rfind("--snapshots=", 0) == 0) {
            if (argument == "--snapshots") {
                if (i + 1 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 1][0] == '-')
                    return usageError("--snapshots needs a folder to draw into");
                options.snapshots = arguments[++i];
            } else {
                options.snapshots = argument.substr(std::string("--snapshots=").size());
                if (options.snapshots.empty()) return usageError("--snapshots needs a folder to draw into");
            }
        } else if (argument == "--snapshot") {
            return usageError("--snapshot comes first on the line, followed by its folder");
        } else {
            return usageError("unknown option \"" + argument + "\"");
        }
    }
    if (!options.snapshots.empty() && options.mode != Mode::Scenario)
        return usageError("--snapshots DIR draws the steps of a scenario: it goes with --scenario NAME");
    return options;
}

std::string usageText() {
    std::string text =
        "usage: kestrune [-clean-run] [-NMBDebugEnabled [YES]] [--scenario NAME [--snapshots DIR]]\n"
        "       kestrune --list\n"
        "       kestrune --snapshot DIR [--language CODE] [NAME...]\n"
        "       kestrune --help\n"
        "\n"
        "Kestrune locks the Mac when you walk away with your paired phone and unlocks it when you come\n"
        "back. Without options it starts the menu-bar application; on this system the phone, the radio and\n"
        "the Mac's session are simulated (see README.md).\n"
        "\n"
        "  -clean-run          keep the devices' settings and the data apart, emptied at start (the\n"
        "                      defaults suite \"CleanRun\" and a \"Test\" folder in each data folder); the\n"
        "                      launch records, the phone looked for first and the crash kit's files stay\n"
        "                      in your own settings and folders\n"
        "  -NMBDebugEnabled [YES]\n"
        "                      the crash and analytics kits' debug mode: their debug lines join the log\n"
        "                      (each analytics event recorded, the kits' start, settings and uploads),\n"
        "                      and every request of the kits (the settings download, the onboarding,\n"
        "                      the uploads) trusts the system's certificate authorities instead of only\n"
        "                      the kits' pinned roots\n"
        "  --scenario NAME     play a scripted world in real time and print its timeline: what the phone\n"
        "                      did, what the Mac decided and did; always a clean run. The scenarios:\n";
    for (const auto& scenario : allScenarios()) {
        std::string name = scenario.name;
        name.resize(16, ' ');
        text += "                        " + name + scenario.summary + "\n";
    }
    text +=
        "  --snapshots DIR     with --scenario: at each step of the timeline, draw the menu-bar panel and\n"
        "                      the settings window to DIR/NN-panel.png and DIR/NN-settings.png (a closed\n"
        "                      panel as it would open); DIR/steps.txt names the steps\n"
        "  --list              name the scenarios\n"
        "  --snapshot DIR [--language CODE] [NAME...]\n"
        "                      draw the interface scenes (all, or those named) to DIR/NAME.png and exit;\n"
        "                      --language draws them in another interface language (de, fr, pt-PT...)\n"
        "  --help, -h          print this text\n";
    return text;
}

std::optional<int> answerWithoutStarting(const CommandLineOptions& options, std::ostream& out,
                                         std::ostream& err) {
    switch (options.mode) {
        case CommandLineOptions::Mode::Help:
            out << usageText();
            return 0;
        case CommandLineOptions::Mode::ListScenarios:
            for (const auto& scenario : allScenarios()) {
                std::string name = scenario.name;
                name.resize(16, ' ');
                out << name << scenario.summary << (scenario.name == kDefaultScenario ? " (make run)" : "")
                    << "\n";
            }
            return 0;
        case CommandLineOptions::Mode::UsageError:
            err << "kestrune: " << options.error << "\n\n" << usageText();
            return 2;
        default:
            return std::nullopt;
    }
}

std::vector<std::string> applicationArguments(int argc, char** argv, const CommandLineOptions& options) {
    std::vector<std::string> arguments(argv, argv + argc);
    if (options.mode == CommandLineOptions::Mode::Scenario && !options.cleanRun)
        arguments.push_back(kCleanRun);
    return arguments;
}

std::vector<std::string> startupNotices(const CommandLineOptions& options) {
    std::vector<std::string> notices;
    if (options.mode == CommandLineOptions::Mode::Scenario)
        notices.push_back("Scenario \"" + options.scenario +
                          "\": a scripted phone and the simulated Mac session");
    // A scenario's clean run is in a home of its own; a clean run by itself keeps only the devices'
    // settings and the data apart, and says so rather than promising more.
    if (options.mode == CommandLineOptions::Mode::Scenario)
        notices.push_back(
            "Clean run: settings in the defaults suite \"CleanRun\" and data in the \"Test\" folders, "
            "emptied at start, in a home of its own; your own settings and paired phone are not touched");
    else if (options.cleanRun)
        notices.push_back(
            "Clean run: the devices' settings in the defaults suite \"CleanRun\" and the data in the "
            "\"Test\" folders, emptied at start; the launch records, the phone looked for first and the "
            "crash kit's files stay in your own settings and folders");
    return notices;
}

}  // namespace kestrune
