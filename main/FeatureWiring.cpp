#include "main/FeatureWiring.h"

#include "app/records/PhoneRecordServices.h"
#include "app/shell/AppDelegate.h"
#include "app/store/HistoryServices.h"
#include "engine/coordinator/ActivityControllerFactory.h"
#include "engine/coordinator/CoordinatorServices.h"
#include "engine/deciders/SafeWifiUnlockPolicy.h"
#include "engine/session/AutoHideNotificationPresenter.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/KestruneFeatureServices.h"
#include "features/history/HistoryFeatureServices.h"
#include "features/language/LanguageControllerMac.h"
#include "features/music/MusicController.h"
#include "features/notifications/KSAutoHideNotificationPresenter.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/services/SoftwareUpdater.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/sim/pasteboard/SimulatedPasteboard.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/system/CommandResponderChain.h"
#include "windows/history/ActivityChartFactory.h"

namespace kestrune {

namespace {
// Put back alone when the features are uninstalled.
std::shared_ptr<platform::SystemCommands::Responder> gSessionCommands;
}  // namespace

FeatureDevices installFeatures(CoordinatorServices& services, AppDelegate* delegate,
                               std::shared_ptr<platform::SystemCommands::Responder> sessionCommands) {
    platform::CaptureBackend::install(platform::SimulatedCamera::createDefault());
    FeatureDevices devices;
    devices.wifi = platform::SimulatedWifi::create();
    devices.wifi->install();
    devices.players = platform::SimulatedMusicPlayers::createWithTheFourPlayers();
    devices.players->install();
    // No display server either: the clipboard is the simulated desktop's.
    devices.pasteboard = platform::SimulatedPasteboard::create();
    devices.pasteboard->install();
    gSessionCommands = sessionCommands;
    platform::SystemCommands::installResponder(std::make_shared<platform::CommandResponderChain>(
        std::vector<std::shared_ptr<platform::SystemCommands::Responder>>{std::move(sessionCommands),
                                                                          devices.players}));

    HistoryServices::install(std::make_shared<HistoryFeatureServices>());
    PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    AutoHideNotificationPresenter::install(std::make_shared<KSAutoHideNotificationPresenter>());
    auto features = std::make_shared<KestruneFeatureServices>();
    services.features = features;
    SafeWifiUnlockPolicy::install(features);
    // The Wi-Fi watcher runs from the start: a change to a trusted network unlocks a locked Mac whether
    // or not anything asked about Wi-Fi before.
    SafeWifiManager::shared();
    ActivityControllerFactory::install(std::make_shared<ActivityChartFactory>());
    if (delegate) delegate->languageService = &LanguageControllerMac::shared();
    return devices;
}

void uninstallFeaturesForTesting() {
    SafeWifiUnlockPolicy::install(nullptr);
    SafeWifiManager::resetSharedForTesting();
    MusicController::resetSharedForTesting();
    UpdateController::resetSharedForTesting();
    KestruneUpdater::resetSharedForTesting();
    // The engine is the process's own and outlives a test: its automatic checks are switched off again.
    platform::SoftwareUpdater::sharedUpdater()->setAutomaticallyChecksForUpdates(false);
    platform::CaptureBackend::install(nullptr);
    platform::WifiBackend::install(nullptr);
    platform::PasteboardBackend::install(nullptr);
    platform::ScriptingBackend::install(nullptr);
    platform::SystemCommands::installResponder(std::exchange(gSessionCommands, nullptr));
    HistoryServices::install(nullptr);
    PhoneRecordServices::install(nullptr);
    AutoHideNotificationPresenter::install(nullptr);
    ActivityControllerFactory::install(nullptr);
}

}  // namespace kestrune
