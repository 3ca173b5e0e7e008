#include "main/ScenarioCommand.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>

#include "main/CommandLineOptions.h"
#include "main/DrawingModule.h"
#include "main/ScenarioRunner.h"
#include "main/ScenarioSnapshots.h"
#include "main/ScenarioWorld.h"
#include "main/Scenarios.h"
#include "main/SimulatedMacNames.h"
#include "main/StandardStreams.h"
#include "main/StopSignals.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/system/Application.h"

namespace kestrune {

namespace {

std::mutex gLogMutex;

// The private log file, truncated: one scenario run per file.
std::FILE* openLog(const std::string& path) {
    platform::Files::createDirectories(platform::Files::parentPath(path), 0700);
    int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, "w");
    if (!file) ::close(descriptor);
    return file;
}

}  // namespace

std::string ScenarioCommand::defaultLogPath(const std::string& scenario) {
    return platform::StandardFolders::library() + "/Kestrune/scenario-" + scenario + ".log";
}

std::unique_ptr<ScenarioCommand> ScenarioCommand::prepare(const CommandLineOptions& options,
                                                          const std::string& logPath) {
    if (options.mode != CommandLineOptions::Mode::Scenario) return nullptr;
    // The scenarios' Mac has a name and an account of its own, as its phone has a name: the timeline and
    // the pictures read the same on every machine that plays them (unless the environment names them).
    nameTheSimulatedMac();
    // The log and the photos the timeline tells of are in the scenario's home: it stays for the user to
    // read, and the closing lines say where.
    platform::ThrowawayHome::keep();
    std::FILE* log = openLog(logPath);
    if (!log) std::cerr << "kestrune: cannot write the log " << logPath << "; it goes to standard error\n";
    return std::unique_ptr<ScenarioCommand>(
        new ScenarioCommand(options.scenario, logPath, log, options.snapshots));
}

std::optional<int> ScenarioCommand::checkSnapshots(const CommandLineOptions& options, std::ostream& err) {
    if (options.mode != CommandLineOptions::Mode::Scenario || options.snapshots.empty()) return std::nullopt;
    if (auto problem = ScenarioSnapshots::prepareFolder(options.snapshots)) {
        err << "kestrune: " << *problem << "\n";
        return 1;
    }
    // Loaded now: a run that cannot draw says so at once rather than after the whole scenario.
    const std::string module = DrawingModule::besideExecutable();
    if (!DrawingModule::install(module)) {
        err << "kestrune: cannot draw the pictures without " << module << "\n";
        return 1;
    }
    return std::nullopt;
}

ScenarioCommand::ScenarioCommand(std::string scenario, std::string logPath, std::FILE* log,
                                 std::string snapshots)
    : scenario_(std::move(scenario)),
      snapshotsFolder_(std::move(snapshots)),
      logPath_(std::move(logPath)),
      log_(log) {
    output_.onError([this](int error) { outputFailed(error); });
    if (!log_) return;
    std::FILE* file = log_;
    platform::Log::setSink([file](const std::string& line) {
        const double now = platform::Clock::now();
        const std::time_t seconds = static_cast<std::time_t>(now);
        std::tm local{};
        localtime_r(&seconds, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
        std::lock_guard lock(gLogMutex);
        std::fprintf(file, "%s.%03d %s\n", stamp,
                     static_cast<int>((now - static_cast<double>(seconds)) * 1000), line.c_str());
        std::fflush(file);
    });
}

ScenarioCommand::~ScenarioCommand() {
    runner_.reset();
    snapshots_.reset();
    if (!log_) return;
    platform::Log::setSink(nullptr);
    std::lock_guard lock(gLogMutex);
    std::fclose(log_);
}

void ScenarioCommand::setUp(std::shared_ptr<platform::SimulatedSession> session, FeatureDevices devices,
                            CoordinatorServices& services) {
    // The scenarios' user gave the application the accessibility permission long ago: it is what lets it
    // type the password into the lock screen, which every road does.
    session->desktop()->setProcessTrusted(true);
    world_ = ScenarioWorld::create(platform::Radio::shared(), std::move(session), std::move(devices));
    services.tutorials = world_->tutorialScreens();
    world_->useSettingsWindow(services.splitWindow);
    if (!snapshotsFolder_.empty())
        snapshots_ = std::make_unique<ScenarioSnapshots>(
            snapshotsFolder_, ScenarioPictureSources::of(services),
            findScenario(scenario_) ? findScenario(scenario_)->steps.size() : 0);
}

void ScenarioCommand::start() {
    const Scenario* scenario = findScenario(scenario_);
    if (!scenario || !world_) return;
    runner_ = std::make_unique<ScenarioRunner>(*scenario, world_, output_);
    if (snapshots_) snapshots_->follow(*runner_);
    runner_->onFinished = [this] {
        printClosingLines();
        // Quit as the application always does, from the main run loop, unless it has quit already.
        if (!stopped_) platform::RunLoop::main().post([] { platform::Application::shared().terminate(); });
    };
    auto* runner = runner_.get();
    platform::RunLoop::main().post([runner] { runner->start(); });
}

void ScenarioCommand::outputFailed(int error) {
    platform::logf("Scenario: its timeline could not be written: %s", std::strerror(error));
    auto& application = platform::Application::shared();
    // Once the application has quit, what is left (the timeline's end, the closing lines) is written
    // whatever becomes of it.
    if (application.isTerminated()) return;
    if (error == EPIPE)
        application.terminateForSignal(SIGPIPE);
    else
        platform::RunLoop::main().post([] { platform::Application::shared().terminate(); });
}

void ScenarioCommand::printClosingLines() {
    if (closed_) return;
    closed_ = true;
    const bool logged = log_ != nullptr;
    std::string lines;
    if (auto* pictures = snapshots_.get(); pictures && pictures->failures() == 0)
        lines += "\nThe panel and the settings window at each of the " +
                 std::to_string(pictures->stepsPictured()) + " steps: " + pictures->folder() + " (" +
                 ScenarioSnapshots::kIndexName + " names them)\n";
    else if (pictures)
        lines += "\n" + std::to_string(pictures->failures()) + " of the " +
                 std::to_string(pictures->stepsPictured()) + " steps could not be pictured in " +
                 pictures->folder() + "; the log says why\n";
    if (logged) lines += "\nThe application's log of this run: " + logPath_ + "\n";
    const std::string home = platform::ThrowawayHome::current();
    if (!home.empty())
        lines += std::string(logged ? "" : "\n") +
                 "Its settings, data and photos, in a home of its own (yours are not touched; remove it when "
                 "done): " +
                 home + "\n";
    // An output that goes nowhere (closed at start, /dev/null) takes every write and names nothing.
    const bool outputGoesNowhere = StandardStreams::goesNowhere(STDOUT_FILENO);
    if (!outputGoesNowhere) {
        output_ << lines;
        output_.flush();
        if (output_.error() == 0) return;
        if (output_.error() == EPIPE) {
            // Its reader gone (`| head`, a pager quit), the output named nothing: a home kept then would
            // only be left behind in the temporary folder, unknown to anyone.
            platform::logf("Scenario: its closing lines could not be written; its home is removed at exit");
            platform::ThrowawayHome::keep(false);
            return;
        }
    }
    // Nobody reads the timeline (a full disk, a terminal that went away, an output that goes nowhere), but
    // the error stream may still be read: the closing lines go there, or one line that says why the
    // timeline stopped and where the log that tells what happened is.
    if (!StandardStreams::goesNowhere(STDERR_FILENO)) {
        CheckedOutput err(STDERR_FILENO);
        if (outputGoesNowhere)
            err << lines.substr(lines.starts_with('\n') ? 1 : 0);
        else
            err << CheckedOutput::failureLine("the timeline", output_.error())
                << (home.empty() ? "" : "; the scenario's log, settings and data are kept in " + home)
                << "\n";
        err.flush();
        if (err.error() == 0) return;
    }
    // The error stream is gone too (the same closed terminal) or goes nowhere: a home that nothing named
    // would be left behind in the temporary folder, unknown to anyone.
    platform::logf(
        "Scenario: neither its output nor its error stream could name its home; it is removed at exit");
    platform::ThrowawayHome::keep(false);
}

int ScenarioCommand::finish(int signal) {
    // A timeline that could not be written (a full disk) stopped the run as a signal does.
    if ((signal == 0 && !unwritable()) || (runner_ && runner_->finished())) return exitStatus();
    // Cut short: the application has quit and its run loop turns no more. The timeline says so and ends
    // as it always does, naming the log and the home that stay.
    stopped_ = true;
    if (runner_)
        runner_->stop(signal ? std::string("stopped by ") + StopSignals::name(signal) + " before it was over"
                             : std::string("stopped: the timeline could not be written"));
    printClosingLines();
    return signal ? StopSignals::exitStatus(signal) : exitStatus();
}

int ScenarioCommand::exitStatus() const {
    if (unwritable()) return 1;
    if (snapshots_ && snapshots_->failures() > 0) return 1;
    return runner_ && runner_->succeeded() ? 0 : 1;
}

}  // namespace kestrune
