#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/remote/RemotePairedDevices.h"

namespace kestrune {

class MobileDevice;
class RemoteSyncMac;

class RemoteSyncMacDelegate {
public:
    virtual ~RemoteSyncMacDelegate() = default;
    virtual void remoteSyncMac_didUnlinkFromDevice(RemoteSyncMac& sync,
                                                   const std::shared_ptr<MobileDevice>& device) = 0;
};

// Keeps this Mac's record of the hosted backend naming the tracked phone, and finds out from it whether
// the phone unlinked this Mac while it was out of reach. Call on the main thread: the data model is read
// there, the network work runs in the background and the delegate hears on the main thread.
class RemoteSyncMac : public std::enable_shared_from_this<RemoteSyncMac> {
public:
    static std::shared_ptr<RemoteSyncMac> create() {
        return std::shared_ptr<RemoteSyncMac>(new RemoteSyncMac());
    }

    void updateCurrentRemoteStateIfNeeded();
    void checkIfDeviceUnlinkedRemotely();
    void test() { checkIfDeviceUnlinkedRemotely(); }

    // The stored record is this Mac's and names another phone than the current one.
    static bool shouldUpdateRemoteDatabaseObject(const RemotePairedDevices& stored,
                                                 const RemotePairedDevices& current);
    // Stores the record over the stored one of that identifier.
    static void updateRemoteDatabaseObjectWithObject_withObjectId(RemotePairedDevices record,
                                                                  const std::optional<std::string>& objectId);

    // A write cycle is running; set and tested in one step, so two cycles never overlap.
    std::atomic<bool> requestInProgress{false};
    // The coordinator, which owns this object.
    RemoteSyncMacDelegate* delegate = nullptr;

private:
    RemoteSyncMac() = default;
    static bool internetReachable();
};

}  // namespace kestrune
