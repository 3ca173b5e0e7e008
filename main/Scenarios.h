#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

class ScenarioWorld;

// One thing that happens in a scenario: the phone or the user acts, or the script waits for the Mac.
struct ScenarioStep {
    // Seconds after the previous step ran (the first: after the start).
    double after = 0;
    // "phone" or "you" (the user at the Mac); empty for a step that only waits.
    std::string who;
    // The timeline's text; empty prints nothing.
    std::string what;
    std::function<void(ScenarioWorld&)> act;
    // The step runs once this holds (checked from `after` on), at most `waitLimit` seconds later.
    std::function<bool(ScenarioWorld&)> until;
    std::string waitingFor;
    double waitLimit = 30;
};

// What the runner saw, for a scenario's verdict.
struct ScenarioFacts {
    int locks = 0;
    int keysToApplications = 0;
};

struct Scenario {
    std::string name;
    // One line: what happens.
    std::string summary;
    std::vector<ScenarioStep> steps;
    // Seconds after the last step before the verdict.
    double settle = 3;
    // How it should end, said in the timeline's last line.
    std::string expected;
    // None when the world ended as expected, otherwise what differs.
    std::function<std::optional<std::string>(ScenarioWorld&, const ScenarioFacts&)> verdict;
};

// The scenarios, the default first.
const std::vector<Scenario>& allScenarios();
const Scenario* findScenario(const std::string& name);
constexpr const char* kDefaultScenario = "default";

}  // namespace kestrune
