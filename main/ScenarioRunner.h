#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "main/Scenarios.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"

namespace platform {
class Timer;
}

namespace kestrune {

class ScenarioWorld;

// Plays a scenario in its world on the main run loop and prints the timeline as it happens: the time,
// who acted (the phone, you, the Mac), and what. The Mac's lines are what the application itself says
// it decided and did (its log lines that begin "Decision:" and "Outcome:", the analytics kit's records
// among them: while a runner exists the kit says each event it records), and what the simulated
// session and music players saw it do (the lock screen, the password typed, a player paused). It runs in real
// time in the application and in virtual time in tests; the last line says whether the world ended as the
// scenario expects.
class ScenarioRunner {
public:
    // The timeline goes to the stream; every log line goes on to the log sink that was installed before.
    ScenarioRunner(const Scenario& scenario, std::shared_ptr<ScenarioWorld> world, std::ostream& timeline);
    ~ScenarioRunner();
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // On the main thread: prints the heading and runs the first step.
    void start();
    // A scenario cut short: what was heard so far, then `why` as the verdict (onFinished is called).
    // Nothing when it never started or is over.
    void stop(const std::string& why);
    bool finished() const { return finished_; }
    bool succeeded() const { return finished_ && succeeded_; }
    const ScenarioFacts& facts() const { return facts_; }
    // The timeline's lines so far, as printed.
    std::vector<std::string> lines() const;
    // Called once, when the verdict is printed.
    std::function<void()> onFinished;

    // A step the timeline printed, numbered from 1 in the order printed.
    struct PrintedStep {
        int number = 0;
        // When it ran, in seconds since the start.
        double at = 0;
        // When the world it led to was in place.
        double settledAt = 0;
        std::string who, what;
    };
    // Called once for each printed step, when the world it led to is in place: just before the next
    // printed step runs (after any waiting between them), or before the verdict for the last one.
    std::function<void(const PrintedStep&)> onStepSettled;

    static constexpr double kTickSeconds = 0.05;

private:
    struct Entry {
        double at;
        std::string who, what;
    };
    // What the log sink shares with the runner: log lines arrive on any thread, and a line being
    // handled when the runner goes keeps this alive.
    struct Shared {
        std::mutex mutex;
        std::vector<Entry> pending;
        double start = 0;
        bool listening = false;
        platform::Log::Sink previous;
        void heard(const std::string& line);
        void note(double at, std::string who, std::string what);
    };
    void note(double at, std::string who, std::string what) {
        shared_->note(at, std::move(who), std::move(what));
    }
    void tick();
    void readSession();
    void flush();
    void runSteps();
    void finish(bool success, const std::string& text);
    void settleLastStep();
    void print(const std::string& line);
    double now() const;

    const Scenario& scenario_;
    std::shared_ptr<ScenarioWorld> world_;
    std::ostream& timeline_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::shared_ptr<platform::Timer> ticker_;
    std::vector<platform::NotificationCenter::Observation> observations_;
    std::vector<std::string> printed_;

    size_t next_ = 0;
    double stepDue_ = 0;
    double waitingSince_ = -1;
    double settleUntil_ = -1;
    size_t keysSeen_ = 0;
    size_t playerCommandsSeen_ = 0;
    size_t passwordKeys_ = 0;
    ScenarioFacts facts_;
    // The last printed step, until it is reported settled.
    std::optional<PrintedStep> unsettled_;
    int printedSteps_ = 0;
    bool finished_ = false, succeeded_ = false;
    bool analyticsSaidBefore_ = false;
};

}  // namespace kestrune
