// The scenario's user at the Mac answers what the desktop asks, as any window of the road.

#include <optional>
#include <string>
#include <vector>

#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "tests/main/ScenarioFixture.h"

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

}  // namespace
