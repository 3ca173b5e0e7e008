// The scenario's user at the Mac answers what the desktop asks, as any window of the road.

#include <optional>
#include <string>
#include <vector>

#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "tests/main/ScenarioFixture.h"
#include "uikit/buttons/KSButton3.h"

using namespace scenariotests;

namespace {

class ScenarioWorldTest : public RoadTest {};

TEST_F(ScenarioWorldTest, AnAlertThatAsksIsAnsweredWithItsDefaultButtonOnTheTimeline) {
    std::vector<std::string> acts;
    world->onAct = [&](const std::string& who, const std::string& what) {
        acts.push_back(who + ": " + what);
    };
    const auto answer = session->desktop()->runModalAlertWithButtons(
        "Send Crash Report?", "Looks like we crashed!", {"Send", "Always Send", "Don't Send"});
    EXPECT_EQ(answer, std::optional<size_t>(0));
    EXPECT_EQ(acts, std::vector<std::string>{"you: answer the alert \"Send Crash Report?\" with Send"});
    // Once the world is gone, nobody answers.
    world.reset();
    EXPECT_EQ(session->desktop()->runModalAlertWithButtons("Again?", "", {"Yes"}), std::nullopt);
}

// The user reads what the window shows whatever its case and script: a flat button draws its title in
// capitals ("AÑADIR", "ДОБАВИТЬ"), and the user still finds it by the text of the table.
TEST_F(ScenarioWorldTest, TextsAreFoundWhateverTheirCaseInEveryScript) {
    auto window = platform::ui::Window::create({100, 100, 600, 400}, platform::ui::kWindowStyleTitled);
    window->makeKeyAndOrderFront(nullptr);
    world->useSettingsWindow(window);
    int clicks = 0;
    double y = 20;
    for (const char* title :
         {"Añadir un nuevo iPhone", "Добавить новый iPhone", "Ajouter un nouvel iPhone"}) {
        auto button = kestrune::KSButton3::create({20, y, 300, 30});
        button->setTitle(title);
        button->setTarget(window->contentView());
        button->setAction(
            [&clicks](const std::shared_ptr<platform::ui::UIObject>&, platform::ui::Control&) { ++clicks; });
        window->contentView()->addSubview(button);
        EXPECT_NE(button->title(), title) << "drawn in capitals";
        y += 40;
    }
    auto label = platform::ui::TextField::labelWithString("ΣΊΣΥΦΟΣ");
    label->setFrame({20, y, 300, 20});
    window->contentView()->addSubview(label);

    for (const char* title :
         {"Añadir un nuevo iPhone", "добавить новый iphone", "AJOUTER UN NOUVEL IPHONE"}) {
        EXPECT_TRUE(world->sees(title)) << title;
        EXPECT_TRUE(world->click(title)) << title;
    }
    EXPECT_EQ(clicks, 3);
    EXPECT_TRUE(world->sees("Σίσυφος"));
    // Case alone is folded: other letters are other texts.
    EXPECT_FALSE(world->sees("Anadir un nuevo iPhone"));
    EXPECT_FALSE(world->sees("Добавить новый"));
    window->close();
}

// Closing the lid sleeps a Mac with only its own display, which opening it wakes; one driving an external
// display stays awake.
TEST_F(ScenarioWorldTest, TheLidSleepsTheMacUnlessAnExternalDisplayIsAttached) {
    world->closeLid();
    EXPECT_TRUE(session->isSystemAsleep());
    world->openLid();
    EXPECT_FALSE(session->isSystemAsleep() || session->displaysAsleep());
    session->setDisplays({{1, true, {0, 0, 1440, 900}}, {2, false, {1440, 0, 1920, 1080}}});
    world->closeLid();
    EXPECT_FALSE(session->isSystemAsleep() || session->displaysAsleep());
    runUntilIdle();
}

}  // namespace
