// The program's entry: creates the application delegate and the coordinator,
// connects them and hands control to the application's main loop, as the main interface file did.

#include "app/records/DeviceLocalSettings.h"
#include "app/remote/HostedBackendClient.h"
#include "app/shell/AppDelegate.h"
#include "app/store/DataManager.h"
#include "engine/EngineRSSIIntake.h"
#include "engine/EngineSessionServices.h"
#include "engine/StateMachine.h"
#include "main/ReportingKitStart.h"
#include "main/SnapshotCommand.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/Application.h"
#include "platform/system/WorkspaceRecorder.h"

int main(int argc, char** argv) {
    // Pictures of the interface are made before, and instead of, anything else.
    if (auto status = kestrune::runSnapshotCommandIfAsked(argc, argv)) return *status;
    kestrune::installInterfaceBackend();

    // This machine has no Bluetooth controller of its own: the simulated radio stands in for it.
    platform::BluetoothBackend::install(platform::Radio::shared());
    // Nor a notification service, a file browser or a sound device: what they would show is logged.
    platform::UserNotificationBackend::install(std::make_shared<platform::UserNotificationRecorder>());
    platform::WorkspaceBackend::install(std::make_shared<platform::WorkspaceRecorder>());
    // Nor is this the desktop the application was made for: a simulated Mac session stands in for the
    // lock screen, displays, lid, power, accounts and the system's tools, and the engine answers the
    // records' questions about it.
    auto session =
        platform::SimulatedSession::create(platform::StandardFolders::library() + "/Kestrune/Session");
    session->install();
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
    application.setDelegate(&delegate);

    // The coordinator builds the running system once launching has finished and stops it on quit. Its
    // neighbours in the features, panel and window folders are the logging defaults until those land.
    auto stateMachine = kestrune::StateMachine::create();
    delegate.stateMachine = stateMachine;

    int status = application.run(argc, argv);
    kestrune::DataManager::shared().saveApplicationData();

    application.setDelegate(nullptr);
    platform::logf("Kestrune quit");
    return status;
}
