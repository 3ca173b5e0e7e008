// `kestrune --scenario NAME --snapshots DIR`: the panel and the settings window pictured at each step of
// a scenario, played here in virtual time on the coordinator as the program's entry wires it; and the
// program's refusals of a folder it cannot write in.

#include "main/ScenarioSnapshots.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <map>
#include <sstream>

#include "main/MenuBarWiring.h"
#include "main/ScenarioRunner.h"
#include "main/Scenarios.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "platform/storage/Files.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/Window.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/main/ScenarioFixture.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"

extern char** environ;

using namespace scenariotests;
using kestrune::ScenarioSnapshots;

namespace {

struct PngSize {
    uint32_t width = 0, height = 0;
};

// The size a PNG file's header gives; none when the file is missing or is no PNG.
std::optional<PngSize> pngSize(const std::string& path) {
    auto data = platform::Files::read(path);
    if (!data) return std::nullopt;
    const std::string bytes = data->toString();
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0)
        return std::nullopt;
    auto big = [&](size_t at) {
        return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
               (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
    };
    return PngSize{big(16), big(20)};
}

std::string contents(const std::string& path) {
    auto data = platform::Files::read(path);
    return data ? data->toString() : "";
}

class ScenarioSnapshotsTest : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        platform::ui::CairoRenderer::installAsBackend();
        folder = home() + "/pictures/road";
        prepareServices = [this](kestrune::CoordinatorServices& services) {
            kestrune::installMenuBar(services);
            services.splitWindow = kestrune::WAYSourceListWindow::create({200, 200, 1095, 575});
            services.navigation = std::make_shared<kestrune::SettingsWindowNavigation>();
            sources = kestrune::ScenarioPictureSources::of(services);
        };
    }
    void TearDown() override {
        RoadTest::TearDown();
        platform::ui::Renderer::install(nullptr);
        platform::ui::TextMeasurer::install(nullptr);
    }

    // Plays the scenario with its pictures taken into `folder`, as the program does; the timeline.
    std::string play(const kestrune::Scenario& scenario) {
        EXPECT_EQ(ScenarioSnapshots::prepareFolder(folder), std::nullopt);
        launch();
        // Each panel picture's expected size: the panel's frame when it was drawn.
        auto panel = sources.panel;
        sources.panel = [this, panel] {
            auto window = panel ? panel() : nullptr;
            if (window) panelFrames.push_back(window->frame().size);
            return window;
        };
        snapshots = std::make_unique<ScenarioSnapshots>(folder, sources, scenario.steps.size());
        std::ostringstream timeline;
        kestrune::ScenarioRunner runner(scenario, world, timeline);
        snapshots->follow(runner);
        bool over = false;
        runner.onFinished = [&] { over = true; };
        runner.start();
        advanceUntil([&] { return over; }, 400);
        EXPECT_TRUE(runner.succeeded()) << timeline.str();
        return timeline.str();
    }
    std::string picture(int step, const char* what) {
        return folder + "/" + ScenarioSnapshots::fileName(step, what);
    }

    std::string folder;
    kestrune::ScenarioPictureSources sources;
    std::vector<platform::ui::Size> panelFrames;
    std::unique_ptr<ScenarioSnapshots> snapshots;
};

TEST_F(ScenarioSnapshotsTest, EachStepOfTheTimelineHasItsPanelAndSettingsPicturesNamedInTheIndex) {
    const auto& scenario = *kestrune::findScenario("dropout");
    const std::string timeline = play(scenario);
    const int steps = snapshots->stepsPictured();
    ASSERT_GE(steps, 4) << timeline;
    EXPECT_EQ(snapshots->failures(), 0);

    // One line per step, in order, each naming the step as the timeline printed it.
    std::istringstream index(contents(folder + "/" + ScenarioSnapshots::kIndexName));
    std::string line;
    int number = 0;
    while (std::getline(index, line)) {
        ++number;
        char expected[16];
        std::snprintf(expected, sizeof expected, "%02d  ", number);
        EXPECT_EQ(line.rfind(expected, 0), 0u) << line;
        const size_t who = line.find("s  ") + 3;
        const std::string what = line.substr(who, line.find("  (pictured at") - who);
        EXPECT_NE(timeline.find(what), std::string::npos) << what << "\n" << timeline;
    }
    EXPECT_EQ(number, steps);

    // Every step has both pictures, valid PNGs at the screen's scale: the settings window's 1095 x 575
    // points, the panel as laid out for that step.
    ASSERT_EQ(panelFrames.size(), size_t(steps));
    const double scale = platform::ui::Screen::mainScreen()->backingScaleFactor();
    for (int step = 1; step <= steps; ++step) {
        SCOPED_TRACE(step);
        auto settings = pngSize(picture(step, "settings"));
        ASSERT_TRUE(settings);
        EXPECT_EQ(settings->width, uint32_t(1095 * scale));
        EXPECT_EQ(settings->height, uint32_t(575 * scale));
        auto panel = pngSize(picture(step, "panel"));
        ASSERT_TRUE(panel);
        EXPECT_EQ(panel->width, uint32_t(275 * scale));
        EXPECT_EQ(panel->height, uint32_t(panelFrames[size_t(step - 1)].height * scale));
    }

    // Before pairing and once paired, the panel and the settings window show different things; the
    // phone's loss changes the panel again.
    const int beforePairing = 1, paired = 6, lost = steps;
    ASSERT_NE(contents(picture(paired, "panel")).find("PNG"), std::string::npos);
    EXPECT_NE(contents(picture(beforePairing, "panel")), contents(picture(paired, "panel")));
    EXPECT_NE(contents(picture(beforePairing, "settings")), contents(picture(paired, "settings")));
    EXPECT_NE(contents(picture(paired, "panel")), contents(picture(lost, "panel")));
}

TEST_F(ScenarioSnapshotsTest, NumbersSortInStepOrderAndAFolderThatCannotBeWrittenInIsNamed) {
    EXPECT_EQ(ScenarioSnapshots::fileName(3, "panel"), "03-panel.png");
    EXPECT_EQ(ScenarioSnapshots::fileName(12, "settings", 3), "012-settings.png");

    // A missing folder is made, with its parents.
    const std::string nested = home() + "/a/b/pictures";
    EXPECT_EQ(ScenarioSnapshots::prepareFolder(nested), std::nullopt);
    EXPECT_TRUE(platform::Files::isDirectory(nested));
    // A file where a folder should be: no folder, and the message says which and why.
    ASSERT_TRUE(platform::Files::writeAtomically(home() + "/file", platform::Data::fromString("x")));
    auto problem = ScenarioSnapshots::prepareFolder(home() + "/file/pictures");
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(home() + "/file/pictures"), std::string::npos) << *problem;
    EXPECT_NE(problem->find("(" + home() + "/file is not a folder)"), std::string::npos) << *problem;
    problem = ScenarioSnapshots::prepareFolder(home() + "/file");
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("is not a folder"), std::string::npos) << *problem;
}

#ifdef KESTRUNE_PROGRAM_PATH
// Runs the program, answering its exit status and what it wrote on its error stream.
std::pair<int, std::string> runProgram(const std::vector<std::string>& arguments, const std::string& errors) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return {-1, ""};
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(errors)};
}

// The refusals come before anything starts: no scenario plays, nothing is written.
TEST_F(ScenarioSnapshotsTest, TheProgramRefusesAnUnknownScenarioOrAFolderItCannotWriteIn) {
    const std::string program = KESTRUNE_PROGRAM_PATH;
    const std::string errors = home() + "/errors.txt";
    ASSERT_TRUE(platform::Files::writeAtomically(home() + "/file", platform::Data::fromString("x")));

    auto [status, said] = runProgram({program, "--scenario", "nope", "--snapshots", home() + "/out"}, errors);
    EXPECT_EQ(status, 2);
    EXPECT_NE(said.find("there is no scenario named \"nope\""), std::string::npos) << said;
    EXPECT_FALSE(platform::Files::exists(home() + "/out"));

    std::tie(status, said) =
        runProgram({program, "--scenario", "default", "--snapshots", home() + "/file/out"}, errors);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("kestrune: cannot make the folder " + home() + "/file/out"), std::string::npos)
        << said;

    std::tie(status, said) = runProgram({program, "--snapshots", home() + "/out"}, errors);
    EXPECT_EQ(status, 2);
    EXPECT_NE(said.find("it goes with --scenario NAME"), std::string::npos) << said;
}
#endif

}  // namespace
