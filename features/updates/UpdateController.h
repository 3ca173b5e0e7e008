#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "features/updates/RemoteChecker.h"
#include "platform/base/NotificationCenter.h"

namespace kestrune {

// Whether newer phone and Mac applications exist, from the remote configuration: after every fetched
// configuration the versions are compared (on the global queue) with the tracked phone's application
// and with this application, and each flag that changes is announced with "updateStateChanged" on the
// main queue. The flags are atomic: written in the background, read on the main thread.
class UpdateController {
public:
    static constexpr const char* kUpdateStateChanged = "updateStateChanged";

    // What the comparisons need, read on the main thread.
    struct VersionFacts {
        bool configFetched = false;
        std::optional<std::string> configiOSVersion;
        std::optional<std::string> configMacVersion;
        bool trackedPhone = false;
        std::optional<std::string> phoneVersion;
        std::string appVersion;
    };

    // Made on first use on the main thread, with its remote checker (which checks at once when it may).
    static UpdateController& shared();
    static void resetSharedForTesting();

    const std::shared_ptr<RemoteChecker>& remoteChecker() const { return remoteChecker_; }
    void initalizeRemoteChecker();

    // A fetch when the checker's conditions allow.
    void checkForUpdates();
    void verifyIfUpdatesAvalable();
    VersionFacts currentVersionFacts() const;
    void checkIfNewiOSVersionAvalable(const VersionFacts& facts);
    void checkIfNewMacVersionAvalable(const VersionFacts& facts);
    bool anyNewVersionAvailable() const { return newiOSVersion() || newMacVersion(); }

    bool newiOSVersion() const { return newiOSVersion_; }
    void setNewiOSVersion(bool value);
    bool newMacVersion() const { return newMacVersion_; }
    void setNewMacVersion(bool value);
    bool iOSVersionIsUpToDate() const { return iOSVersionIsUpToDate_; }
    bool macVersionIsUpToDate() const { return macVersionIsUpToDate_; }

    UpdateController();
    ~UpdateController();
    UpdateController(const UpdateController&) = delete;
    UpdateController& operator=(const UpdateController&) = delete;

private:
    void postStateChanged();

    std::shared_ptr<RemoteChecker> remoteChecker_;
    platform::NotificationCenter::Observation configFetched_;
    std::atomic<bool> newiOSVersion_{false};
    std::atomic<bool> newMacVersion_{false};
    std::atomic<bool> iOSVersionIsUpToDate_{false};
    std::atomic<bool> macVersionIsUpToDate_{false};
};

}  // namespace kestrune
