#include "main/ScenarioRunner.h"

#include <algorithm>
#include <cstdio>

#include "main/ScenarioWorld.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/PhoneApplication.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "reporting/UsageKit/USKUsageKitController.h"

namespace kestrune {

namespace {

constexpr const char* kDecision = "Decision: ";
constexpr const char* kOutcome = "Outcome: ";
constexpr const char* kNotBuilt = "not built yet: ";

std::string withoutSuffix(std::string text, const std::string& suffix) {
    const auto at = text.rfind(suffix);
    if (at != std::string::npos && at + suffix.size() == text.size()) text.erase(at);
    return text;
}

// The requests of windows, pages, screens and the menu-bar panel.
bool asksForWindowOrPanel(const std::string& line) {
    for (const char* word : {"window", "panel", "page", "screen", "wizard", "tutorial"})
        if (line.find(word) != std::string::npos) return true;
    return false;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string formatTime(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%7.1f", seconds);
    return text;
}

// Return, Enter and keypad Enter, in the US layout's key codes.
bool isEnter(uint16_t keyCode) {
    return keyCode == 36 || keyCode == 52 || keyCode == 76;
}

// A command the application sent a player ("Spotify: pause", "QuickTime Player document 2: play"), with
// what the music does now.
std::string playerCommandText(const std::string& entry, const platform::SimulatedMusicPlayers& players) {
    const size_t colon = entry.find(": ");
    if (colon == std::string::npos) return "tells a player " + entry;
    const std::string subject = entry.substr(0, colon);
    std::string player = subject.substr(0, subject.find(" document "));
    player = player.substr(0, player.find(" script"));
    return "tells " + subject + " to " + entry.substr(colon + 2) + "; the music " +
           (players.isPlaying(player) ? "plays" : "is paused");
}

}  // namespace

ScenarioRunner::ScenarioRunner(const Scenario& scenario, std::shared_ptr<ScenarioWorld> world,
                               std::ostream& timeline)
    : scenario_(scenario), world_(std::move(world)), timeline_(timeline) {
    // Installed at once and kept to the end, so that nothing the application says is missed and every
    // line still reaches the log.
    auto shared = shared_;
    shared_->previous = platform::Log::setSink([shared](const std::string& line) { shared->heard(line); });
    // The analytics kit says each event it records only when asked: the timeline shows them.
    analyticsSaidBefore_ = reporting::USKUsageKitController::eventsSaidInLog();
    reporting::USKUsageKitController::setEventsSaidInLog(true);
    world_->onAct = [this](const std::string& who, const std::string& what) { note(now(), who, what); };
}

ScenarioRunner::~ScenarioRunner() {
    if (ticker_) ticker_->invalidate();
    world_->onAct = nullptr;
    platform::Log::Sink previous;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->listening = false;
        previous = shared_->previous;
    }
    platform::Log::setSink(previous);
    reporting::USKUsageKitController::setEventsSaidInLog(analyticsSaidBefore_);
}

double ScenarioRunner::now() const {
    std::lock_guard lock(shared_->mutex);
    return platform::Clock::now() - shared_->start;
}

void ScenarioRunner::Shared::heard(const std::string& line) {
    platform::Log::Sink forward;
    double at = 0;
    bool listen = false;
    {
        std::lock_guard lock(mutex);
        forward = previous;
        listen = listening;
        at = platform::Clock::now() - start;
    }
    if (forward)
        forward(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
    if (!listen) return;
    if (startsWith(line, kDecision))
        note(at, "Mac", "decides: " + line.substr(std::char_traits<char>::length(kDecision)));
    else if (startsWith(line, kOutcome))
        note(at, "Mac", line.substr(std::char_traits<char>::length(kOutcome)));
    else if (startsWith(line, kNotBuilt) && asksForWindowOrPanel(line))
        // What the user would see, from the parts of the interface not built yet: asked for, not shown.
        note(at, "Mac",
             "asks for " +
                 withoutSuffix(line.substr(std::char_traits<char>::length(kNotBuilt)), " requested"));
}

void ScenarioRunner::Shared::note(double at, std::string who, std::string what) {
    std::lock_guard lock(mutex);
    pending.push_back({at, std::move(who), std::move(what)});
}

std::vector<std::string> ScenarioRunner::lines() const {
    return printed_;
}

void ScenarioRunner::print(const std::string& line) {
    timeline_ << line << '\n';
    timeline_.flush();
    printed_.push_back(line);
}

void ScenarioRunner::start() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->start = platform::Clock::now();
        shared_->listening = true;
    }
    print("Scenario \"" + scenario_.name + "\": " + scenario_.summary + ".");
    print("The phone, the radio and the Mac's session are simulated; what the Mac decides and does is the");
    print("application's own. It should end: " + scenario_.expected + ".");
    print("");
    print("   time  who    what");
    auto& distributed = platform::DistributedNotificationCenter::defaultCenter();
    observations_.push_back(distributed.addObserver(
        "com.apple.screenLockUIIsShown", nullptr, [this](const platform::Notification&) {
            note(now(), "Mac", "the lock screen shows its password field");
        }));
    observations_.push_back(distributed.addObserver(
        "com.apple.screenIsLocked", nullptr, [this](const platform::Notification&) { ++facts_.locks; }));
    keysSeen_ = world_->session().keyLog().size();
    playerCommandsSeen_ = world_->players().commandLog().size();
    stepDue_ = 0;
    ticker_ = platform::Timer::scheduledTimer(kTickSeconds, true, [this](platform::Timer&) { tick(); });
    tick();
}

void ScenarioRunner::stop(const std::string& why) {
    if (ticker_) finish(false, why);
}

void ScenarioRunner::readSession() {
    auto keys = world_->session().keyLog();
    for (; keysSeen_ < keys.size(); ++keysSeen_) {
        const auto& key = keys[keysSeen_];
        // What a person typed is told by the step that had them type it.
        if (!key.event.keyDown || world_->typedByPerson(keysSeen_)) continue;
        using Destination = platform::SimulatedSession::KeyDestination;
        if (key.destination == Destination::Application) {
            ++facts_.keysToApplications;
            note(now(), "Mac", "a key reached " + key.application + ", outside the lock screen");
        } else if (key.destination == Destination::PasswordField) {
            if (!key.event.unicode.empty()) ++passwordKeys_;
            if (isEnter(key.event.keyCode) && key.event.unicode.empty()) {
                note(now(), "Mac",
                     "types " + std::to_string(passwordKeys_) +
                         " characters into the lock screen's password field and presses Enter");
                passwordKeys_ = 0;
            }
        }
    }
    const auto commands = world_->players().commandLog();
    for (; playerCommandsSeen_ < commands.size(); ++playerCommandsSeen_)
        note(now(), "Mac", playerCommandText(commands[playerCommandsSeen_], world_->players()));
    for (const auto& text : world_->phone().readNewMessages()) note(now(), "phone", text);
    for (const auto& text : world_->readScreenChanges()) note(now(), "Mac", text);
}

void ScenarioRunner::flush() {
    std::vector<Entry> entries;
    {
        std::lock_guard lock(shared_->mutex);
        entries.swap(shared_->pending);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.at < b.at; });
    for (const auto& entry : entries) {
        std::string who = entry.who;
        who.resize(6, ' ');
        print(formatTime(entry.at) + "  " + who + " " + entry.what);
    }
}

void ScenarioRunner::tick() {
    if (finished_) return;
    readSession();
    runSteps();
    flush();
    if (!finished_ && settleUntil_ >= 0 && now() >= settleUntil_) {
        auto difference = scenario_.verdict ? scenario_.verdict(*world_, facts_) : std::nullopt;
        if (difference)
            finish(false, "not as expected: " + *difference + " (expected: " + scenario_.expected + ")");
        else
            finish(true, "as expected: " + scenario_.expected);
    }
}

void ScenarioRunner::runSteps() {
    while (next_ < scenario_.steps.size() && settleUntil_ < 0) {
        const auto& step = scenario_.steps[next_];
        if (now() < stepDue_) return;
        if (step.until && !step.until(*world_)) {
            if (waitingSince_ < 0) waitingSince_ = now();
            if (now() - waitingSince_ > step.waitLimit) {
                flush();
                char limit[32];
                std::snprintf(limit, sizeof limit, "%.0f", step.waitLimit);
                finish(false, std::string("stopped: waited ") + limit + " s for " + step.waitingFor);
            }
            return;
        }
        waitingSince_ = -1;
        if (!step.what.empty()) {
            settleLastStep();
            note(now(), step.who, step.what);
            unsettled_ = PrintedStep{++printedSteps_, now(), 0, step.who, step.what};
        }
        if (step.act) step.act(*world_);
        ++next_;
        if (next_ < scenario_.steps.size())
            stepDue_ = now() + scenario_.steps[next_].after;
        else
            settleUntil_ = now() + scenario_.settle;
    }
}

void ScenarioRunner::settleLastStep() {
    if (!unsettled_) return;
    PrintedStep step = *unsettled_;
    unsettled_.reset();
    step.settledAt = now();
    if (onStepSettled) onStepSettled(step);
}

void ScenarioRunner::finish(bool success, const std::string& text) {
    if (finished_) return;
    readSession();
    flush();
    settleLastStep();
    finished_ = true;
    succeeded_ = success;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->listening = false;
    }
    if (ticker_) ticker_->invalidate();
    std::string who = "end";
    who.resize(6, ' ');
    print(formatTime(now()) + "  " + who + " " + text);
    if (onFinished) onFinished();
}

}  // namespace kestrune
