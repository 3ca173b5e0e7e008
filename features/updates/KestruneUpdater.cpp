#include "features/updates/KestruneUpdater.h"

#include "app/shell/ThreadHelpers.h"
#include "app/support/KSUrlManager.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"

namespace kestrune {

namespace {
platform::SharedInstance<KestruneUpdater> gSharedKestruneUpdater;
}  // namespace

KestruneUpdater& KestruneUpdater::shared() {
    return gSharedKestruneUpdater.get([] {
        return create(platform::SoftwareUpdater::sharedUpdater(), KSUrlManager::feedUrlSparkleString());
    });
}

void KestruneUpdater::resetSharedForTesting() {
    gSharedKestruneUpdater.resetForTesting();
}

std::shared_ptr<KestruneUpdater> KestruneUpdater::create(std::shared_ptr<platform::SoftwareUpdater> engine,
                                                         const std::string& feedURL) {
    std::shared_ptr<KestruneUpdater> updater(new KestruneUpdater(std::move(engine)));
    updater->setUpFeedUrlString(feedURL);
    return updater;
}

void KestruneUpdater::setUpFeedUrlString(const std::string& feedURL) {
    platform::UserDefaults::standard()->setObject_forKey(feedURL, platform::SoftwareUpdater::kFeedURLKey);
    std::weak_ptr<KestruneUpdater> weak = weak_from_this();
    runOnMainQueueAsync([weak, feedURL] {
        auto self = weak.lock();
        if (!self) return;
        self->engine_->setFeedURL(feedURL);
        self->engine_->setUserAgentString("");
        self->engine_->setDelegate(self);
    });
}

void KestruneUpdater::checkForUpdates(const void* sender) {
    std::weak_ptr<KestruneUpdater> weak = weak_from_this();
    runOnMainQueueAsync([weak, sender] {
        auto self = weak.lock();
        if (!self) return;
        self->checkingInForeground_ = true;
        self->setUpdaterState(kStateChecking);
        self->engine_->setUserAgentString("");
        self->engine_->checkForUpdates(sender);
    });
}

void KestruneUpdater::checkForUpdatesInBackground() {
    if (engine_->updateInProgress()) return;
    checkingInForeground_ = false;
    setUpdaterState(kStateChecking);
    engine_->checkForUpdatesInBackground();
}

bool KestruneUpdater::updateInProgress() const {
    return engine_->updateInProgress();
}

void KestruneUpdater::setShouldAutomaticallyCheckForUpdates(bool automatically) {
    shouldAutomaticallyCheckForUpdates_ = automatically;
    engine_->setAutomaticallyChecksForUpdates(automatically);
    engine_->setAutomaticallyDownloadsUpdates(automatically);
}

void KestruneUpdater::setUpdaterState(int32_t state) {
    updaterState_ = state;
    // The engine's invocation installs the update waiting for the quit: held only while one waits.
    if (state != kStateReadyToInstallOnQuit) relaunchInvocation_ = nullptr;
    platform::NotificationCenter::defaultCenter().post(kKestruneStateUpdateNotification, this);
}

void KestruneUpdater::relaunchIfPossible() {
    if (updaterState_ != kStateReadyToInstallOnQuit || !relaunchInvocation_) return;
    // The invocation may end the process; a copy keeps it alive while it runs.
    Invocation invocation = relaunchInvocation_;
    invocation();
}

bool KestruneUpdater::relaunch(const void*) {
    auto tool = engine_->pathForHelper("relaunch");
    if (!tool) {
        platform::logf(
            "KestruneUpdater: the update engine has no relaunch tool; the application keeps running");
        return false;
    }
    // On this system the application is started by its executable; its bundle holds only resources.
    if (!platform::SoftwareUpdater::launchRelaunchTool(*tool, platform::Bundle::main().executablePath()))
        return false;
    platform::Application::shared().terminate();
    return true;
}

void KestruneUpdater::updaterDidNotFindUpdate(platform::SoftwareUpdater&) {
    setUpdaterState(kStateNoUpdate);
}

void KestruneUpdater::updater_didFindValidUpdate(platform::SoftwareUpdater&, const platform::UpdateItem&) {
    setUpdaterState(checkingInForeground_ ? kStateFoundByUser : kStateFoundInBackground);
}

void KestruneUpdater::updater_willInstallUpdateOnQuit_immediateInstallationInvocation(
    platform::SoftwareUpdater&, const platform::UpdateItem&, Invocation invocation) {
    std::weak_ptr<KestruneUpdater> weak = weak_from_this();
    runOnMainQueueAsync([weak, invocation = std::move(invocation)] {
        auto self = weak.lock();
        if (!self) return;
        self->relaunchInvocation_ = invocation;
        self->setUpdaterState(kStateReadyToInstallOnQuit);
        if (self->installAfterDownload_ || self->shouldAutomaticallyCheckForUpdates_)
            self->relaunchIfPossible();
    });
}

void KestruneUpdater::updater_didCancelInstallUpdateOnQuit(platform::SoftwareUpdater&,
                                                           const platform::UpdateItem&) {
    setUpdaterState(kStateInstallOnQuitCancelled);
}

}  // namespace kestrune
