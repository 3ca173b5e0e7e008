#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/services/SoftwareUpdater.h"

namespace kestrune {

// This application's own updates, through the software-update engine: a small state number that the
// panel and the settings pages show (announced on every set with "KestruneStateUpdateNotification"),
// and installing at once when allowed. Main thread.
class KestruneUpdater : public platform::SoftwareUpdaterDelegate,
                        public std::enable_shared_from_this<KestruneUpdater> {
public:
    static constexpr const char* kKestruneStateUpdateNotification = "KestruneStateUpdateNotification";

    // updaterState values.
    static constexpr int32_t kStateIdle = 0;
    static constexpr int32_t kStateChecking = 1;
    static constexpr int32_t kStateFoundByUser = 2;
    static constexpr int32_t kStateFoundInBackground = 3;
    static constexpr int32_t kStateReadyToInstallOnQuit = 4;
    static constexpr int32_t kStateNoUpdate = 5;
    static constexpr int32_t kStateInstallOnQuitCancelled = 6;

    // On the process's engine, with the configured update feed.
    static KestruneUpdater& shared();
    static void resetSharedForTesting();
    // On the given engine, its feed set up to the address.
    static std::shared_ptr<KestruneUpdater> create(std::shared_ptr<platform::SoftwareUpdater> engine,
                                                   const std::string& feedURL);

    const std::shared_ptr<platform::SoftwareUpdater>& engine() const { return engine_; }
    int32_t updaterState() const { return updaterState_; }
    bool checkingInForeground() const { return checkingInForeground_; }
    bool shouldAutomaticallyCheckForUpdates() const { return shouldAutomaticallyCheckForUpdates_; }
    bool installAfterDownload() const { return installAfterDownload_; }
    void setInstallAfterDownload(bool install) { installAfterDownload_ = install; }
    bool hasRelaunchInvocation() const { return static_cast<bool>(relaunchInvocation_); }

    // Stores the address under "SUFeedURL" (where the engine reads it), then hands it to the engine.
    void setUpFeedUrlString(const std::string& feedURL);
    void checkForUpdates(const void* sender);
    // Skipped while the engine is already working.
    void checkForUpdatesInBackground();
    bool updateInProgress() const;
    void setShouldAutomaticallyCheckForUpdates(bool automatically);
    void setUpdaterState(int32_t state);
    // In state 4, installs now and relaunches.
    void relaunchIfPossible();
    // Starts the engine's relaunch tool and terminates; when the tool cannot be copied or started the
    // application keeps running (the update is installed on quit as before). Answers whether it
    // terminated.
    bool relaunch(const void* sender);

    // platform::SoftwareUpdaterDelegate
    void updaterDidNotFindUpdate(platform::SoftwareUpdater&) override;
    void updater_didFindValidUpdate(platform::SoftwareUpdater&, const platform::UpdateItem&) override;
    void updater_willInstallUpdateOnQuit_immediateInstallationInvocation(platform::SoftwareUpdater&,
                                                                         const platform::UpdateItem&,
                                                                         Invocation invocation) override;
    void updater_didCancelInstallUpdateOnQuit(platform::SoftwareUpdater&,
                                              const platform::UpdateItem&) override;
    bool updaterShouldRelaunchApplication(platform::SoftwareUpdater&) override { return true; }
    bool updater_shouldPostponeRelaunchForUpdate_untilInvoking(platform::SoftwareUpdater&,
                                                               const platform::UpdateItem&,
                                                               Invocation) override {
        return false;
    }
    bool updaterMayCheckForUpdates(platform::SoftwareUpdater&) override { return true; }

private:
    explicit KestruneUpdater(std::shared_ptr<platform::SoftwareUpdater> engine)
        : engine_(std::move(engine)) {}

    std::shared_ptr<platform::SoftwareUpdater> engine_;
    int32_t updaterState_ = kStateIdle;
    bool checkingInForeground_ = false;
    bool shouldAutomaticallyCheckForUpdates_ = false;
    bool installAfterDownload_ = false;
    Invocation relaunchInvocation_;
};

}  // namespace kestrune
