#include "features/updates/UpdateController.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/iOSPreferences.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "app/support/VersionVerifier.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<UpdateController> gSharedUpdateController;
}  // namespace

UpdateController& UpdateController::shared() {
    return gSharedUpdateController.get([] { return new UpdateController(); });
}

void UpdateController::resetSharedForTesting() {
    gSharedUpdateController.resetForTesting();
}

UpdateController::UpdateController() {
    initalizeRemoteChecker();
    configFetched_ = platform::NotificationCenter::defaultCenter().addObserver(
        RemoteChecker::kNotificationConfigFetched, remoteChecker_.get(),
        [this](const platform::Notification&) { verifyIfUpdatesAvalable(); });
}

UpdateController::~UpdateController() {
    configFetched_.remove();
}

void UpdateController::initalizeRemoteChecker() {
    remoteChecker_ = RemoteChecker::create();
}

void UpdateController::checkForUpdates() {
    // The checker and its triggerer live on the main thread.
    auto checker = remoteChecker_;
    runOnMainThreadAsync([checker] { checker->fetchConfigWhenPossible(); });
}

UpdateController::VersionFacts UpdateController::currentVersionFacts() const {
    VersionFacts facts;
    facts.configFetched = remoteChecker_->didFetchConfigAtLeastOnce();
    facts.configiOSVersion = remoteChecker_->fetchedConfig()->iOSVersion();
    facts.configMacVersion = remoteChecker_->fetchedConfig()->macVersion();
    auto& data = DataManager::shared();
    if (auto phone = data.getTrackingMobileDevice()) {
        facts.trackedPhone = true;
        auto settings = data.settingsForDeviceId(phone->unId());
        if (settings && settings->iOSSettings()) facts.phoneVersion = settings->iOSSettings()->iOSVersion();
    }
    facts.appVersion = Common::getAppVersion();
    return facts;
}

void UpdateController::verifyIfUpdatesAvalable() {
    // The records are read on the main thread; only the comparisons go to the background.
    if (!platform::isMainThread()) {
        runOnMainQueueAsync([this] { verifyIfUpdatesAvalable(); });
        return;
    }
    VersionFacts facts = currentVersionFacts();
    runInBackgroundAsync([this, facts] {
        checkIfNewiOSVersionAvalable(facts);
        checkIfNewMacVersionAvalable(facts);
    });
}

void UpdateController::checkIfNewiOSVersionAvalable(const VersionFacts& facts) {
    if (!facts.configFetched || !facts.trackedPhone || !facts.configiOSVersion || !facts.phoneVersion) {
        setNewiOSVersion(false);
        return;
    }
    if (VersionVerifier::version_isNewerThenVersion(*facts.configiOSVersion, *facts.phoneVersion)) {
        setNewiOSVersion(true);
        iOSVersionIsUpToDate_ = false;
    } else {
        iOSVersionIsUpToDate_ = true;
        setNewiOSVersion(false);
    }
}

void UpdateController::checkIfNewMacVersionAvalable(const VersionFacts& facts) {
    if (!facts.configFetched || !facts.configMacVersion || facts.appVersion.empty()) {
        setNewMacVersion(false);
        return;
    }
    if (VersionVerifier::version_isNewerThenVersion(*facts.configMacVersion, facts.appVersion)) {
        setNewMacVersion(true);
        macVersionIsUpToDate_ = false;
    } else {
        macVersionIsUpToDate_ = true;
        setNewMacVersion(false);
    }
}

void UpdateController::setNewiOSVersion(bool value) {
    if (newiOSVersion_.exchange(value) != value) postStateChanged();
}

void UpdateController::setNewMacVersion(bool value) {
    if (newMacVersion_.exchange(value) != value) postStateChanged();
}

void UpdateController::postStateChanged() {
    runOnMainQueueAsync(
        [this] { platform::NotificationCenter::defaultCenter().post(kUpdateStateChanged, this); });
}

}  // namespace kestrune
