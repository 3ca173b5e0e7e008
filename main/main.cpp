// The program's entry: creates the application delegate and the coordinator,
// connects them and hands control to the application's main loop, as the main interface file did.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "app/remote/HostedBackendClient.h"
#include "app/shell/AppDelegate.h"
#include "app/store/DataManager.h"
#include "engine/coordinator/EngineRSSIIntake.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "engine/coordinator/StateMachine.h"
#include "features/hotkeys/DDHotKeyCenter.h"
#include "main/CheckedOutput.h"
#include "main/CommandLineOptions.h"
#include "main/FeatureWiring.h"
#include "main/HomeOfItsOwn.h"
#include "main/InterfaceKitHelpers.h"
#include "main/InterfaceWiring.h"
#include "main/MenuBarWiring.h"
#include "main/ReportingKitStart.h"
#include "main/ScenarioCommand.h"
#include "main/SimulatedMacNames.h"
#include "main/SnapshotCommand.h"
#include "main/StandardStreams.h"
#include "main/StopSignals.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/net/URLConnection.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/sim/keyboard/SimulatedHotKeys.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/Application.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/WorkspaceRecorder.h"
#include "platform/ui/Image.h"
#include "windows/sharing/MugShotGeneratorPathService.h"

namespace {
// How long the quit waits for work still running on the queues: what is in flight then (a phone's
// message, a kit's file) takes a fraction of it; only work stuck on the network would take longer.
constexpr double kSecondsForWorkAtQuit = 5;

// Test switch: set, the quit starts with a worker waiting for the main thread, as a phone's delivery
// caught by the quit would be. The main loop's close must let it go; left waiting, it holds the quit up
// until the queues give up. Quits land in that window too rarely for a test to meet it by chance.
constexpr const char* kTestWaitAtQuitVariable = "KESTRUNE_TEST_WAIT_AT_QUIT";

// Real time the switch gives the worker to start waiting: a worker of the global queue starts within
// moments unless every one of them is stuck, and then the quit must still go on.
constexpr double kSecondsForTheWaitingWorker = 5;

void startWorkerThatWaitsForTheMainThread() {
    platform::logf("%s is set: a worker waits for the main thread as the quit begins",
                   kTestWaitAtQuitVariable);
    const size_t queued = platform::RunLoop::main().pendingClosureCount();
    platform::DispatchQueue::global().async([] {
        platform::RunLoop::main().postAndWait(
            [] { platform::logf("Quit: the main loop turned after the quit"); });
        platform::logf("Quit: the worker waiting for the main thread went on without it");
    });
    // Nothing takes closures off the stopped loop: one more in it is the worker's, now waiting (or another
    // thread's, and the worker may come after the close, which turns it away at once).
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(kSecondsForTheWaitingWorker);
    while (platform::RunLoop::main().pendingClosureCount() == queued) {
        if (std::chrono::steady_clock::now() >= deadline) {
            platform::logf("%s: no worker started waiting within %.0f s; the quit goes on",
                           kTestWaitAtQuitVariable, kSecondsForTheWaitingWorker);
            return;
        }
        std::this_thread::yield();
    }
}
}  // namespace

int main(int argc, char** argv) {
    // Before anything opens a file, none of the program's own may take the place of a standard stream
    // it was started without.
    kestrune::StandardStreams::openTheClosedOnNull();
    // What the process was started with ignored, read before anything here changes a disposition.
    kestrune::StopSignals::noteStart();
    // Help, the scenario list and a command line not understood are answered before anything starts.
    const auto options = kestrune::CommandLineOptions::parse(argc, argv);
    {
        kestrune::CheckedOutput out(STDOUT_FILENO);
        if (auto status = kestrune::answerWithoutStarting(options, out, std::cerr))
            return out.finish(
                options.mode == kestrune::CommandLineOptions::Mode::Help ? "the help" : "the scenarios' list",
                *status, std::cerr);
    }
    // A scenario and the pictures run in a home of their own, made before anything reads a folder.
    if (auto status = kestrune::enterHomeOfItsOwn(options, std::cerr)) return *status;
    // Pictures of the interface are made before, and instead of, anything else.
    if (auto status = kestrune::runSnapshotCommandIfAsked(argc, argv)) return *status;
    // A scenario's pictures need a folder to write in and the drawing module.
    if (auto status = kestrune::ScenarioCommand::checkSnapshots(options, std::cerr)) return *status;
    // The application's log goes to standard error: a reader of it that goes away (a filter it was piped
    // into, stopped by the same Ctrl-C) must not end the process in the middle of its quit.
    if (options.mode == kestrune::CommandLineOptions::Mode::Run) kestrune::StopSignals::ignoreClosedPipes();
    // Known from the start, so that everything made before the run loop sees a clean run as one.
    const auto arguments = kestrune::applicationArguments(argc, argv, options);
    platform::ProcessInfo::shared().setArguments(arguments);
    // A scenario's log goes to a file of its own: its timeline is what the terminal shows.
    auto scenario = kestrune::ScenarioCommand::prepare(
        options, kestrune::ScenarioCommand::defaultLogPath(options.scenario));
    for (const auto& notice : kestrune::startupNotices(options)) platform::logf("%s", notice.c_str());
    kestrune::installInterfaceBackend();
    kestrune::installInterfaceKitHelpers();

    // This machine has no Bluetooth controller of its own: the simulated radio stands in for it.
    platform::BluetoothBackend::install(platform::Radio::shared());
    // Nor a notification service, a file browser or a sound device: what they would show is logged.
    platform::UserNotificationBackend::install(std::make_shared<platform::UserNotificationRecorder>());
    platform::WorkspaceBackend::install(std::make_shared<platform::WorkspaceRecorder>());
    // Nor a display server to grab keys from: the simulated desktop's hot-key registry takes the
    // application's global shortcuts.
    platform::HotKeyRegistry::install(platform::SimulatedHotKeys::create());
    // Nor is this the desktop the application was made for: a simulated Mac session stands in for the
    // lock screen, displays, lid, power, accounts and the system's tools, and the engine answers the
    // records' questions about it.
    auto session =
        platform::SimulatedSession::create(platform::StandardFolders::library() + "/Kestrune/Session");
    session->install();
    // Its alerts (the crash kit's send prompt) show the application's icon.
    session->desktop()->setApplicationIcon(platform::ui::Image::imageNamed(kestrune::kApplicationIconImage));
    kestrune::EngineSessionServices::install();
    kestrune::EngineRSSIIntake::install();

    auto& application = platform::Application::shared();
    kestrune::AppDelegate delegate;
    // The crash and analytics kits are part of this build, with the real capture handlers.
    kestrune::ReportingKitStart::registerKits();
    kestrune::ReportingKitStart reportingKit;
    delegate.reportingKit = &reportingKit;
    kestrune::HostedBackendClient hostedBackend;
    delegate.hostedBackend = &hostedBackend;
    kestrune::MugShotGeneratorPathService sharedPhotos;
    delegate.mugShotService = &sharedPhotos;
    application.setDelegate(&delegate);

    // The coordinator builds the running system once launching has finished and stops it on quit. The
    // features built so far are its neighbours, on the simulated Wi-Fi, music players and pasteboard, and
    // so are the wizards, tutorials and information screens; the status item and its panel are the menu
    // bar's.
    kestrune::CoordinatorServices services;
    auto devices = kestrune::installFeatures(services, &delegate, session);
    kestrune::installInterface(services);
    // The settings window with its navigation, its pages and their master list.
    kestrune::installSettingsWindow(services);
    kestrune::installMenuBar(services);
    if (scenario) scenario->setUp(session, devices, services);
    auto stateMachine = kestrune::StateMachine::create(services);
    delegate.stateMachine = stateMachine;
    if (scenario) scenario->start();

    std::vector<char*> argumentPointers;
    for (const auto& argument : arguments) argumentPointers.push_back(const_cast<char*>(argument.c_str()));
    int status = application.run(static_cast<int>(argumentPointers.size()), argumentPointers.data());
    // Quit: no request outlives the application. A worker waiting on a server that holds its answer (a
    // report or events upload, the configuration or update feed, the hosted backend) would hold the
    // quit below until its time-out; what it carried stays on disk for a later launch.
    platform::URLConnection::cancelAllForQuit();
    const int stopSignal = platform::Application::terminationSignal();
    if (scenario) status = scenario->finish(stopSignal);
    // Stopped by a signal, the process quits as ever and then ends by it, so that its parent knows.
    kestrune::StopSignals::endBySignalAtExit(stopSignal);
    // The hot keys go while everything they may call still exists.
    kestrune::DDHotKeyCenter::shutdownShared();
    kestrune::DataManager::shared().saveApplicationData();

    application.setDelegate(nullptr);
    if (std::getenv(kTestWaitAtQuitVariable)) startWorkerThatWaitsForTheMainThread();
    // Nothing may still run on a worker once main returns and the statics that workers read are torn
    // down. The main loop will not turn again, so work that waits for it goes on without it; then every
    // queue finishes what it has (phone deliveries in flight, the kits' work) and takes nothing more.
    platform::RunLoop::main().close();
    const bool workFinished = platform::DispatchQueue::finishAllWork(kSecondsForWorkAtQuit);
    if (!workFinished)
        platform::logf("Quit: work still running after %.0f s; ending without tearing anything down",
                       kSecondsForWorkAtQuit);
    platform::logf("Kestrune quit");
    if (!workFinished) {
        // Better than tearing the statics down under the worker: the crash that could follow would be
        // kept as a report of a crash of the application.
        kestrune::StopSignals::endNow(status);
    }
    return status;
}
