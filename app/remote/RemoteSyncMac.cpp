#include "app/remote/RemoteSyncMac.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/OSXPreferences.h"
#include "app/remote/Reachability.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "platform/backend/BackendQuery.h"

namespace kestrune {

namespace {

std::shared_ptr<platform::BackendQuery> queryForMac(const std::string& macId) {
    auto query = platform::BackendQuery::queryWithClassName(RemotePairedDevices::kClassName);
    query->whereKey_equalTo("macId", macId);
    return query;
}

}  // namespace

bool RemoteSyncMac::internetReachable() {
    auto reachability = Reachability::reachabilityForInternetConnection();
    return reachability && reachability->isReachable();
}

bool RemoteSyncMac::shouldUpdateRemoteDatabaseObject(const RemotePairedDevices& stored,
                                                     const RemotePairedDevices& current) {
    return stored.macId && stored.macId == current.macId && stored.iPhoneId != current.iPhoneId;
}

void RemoteSyncMac::updateRemoteDatabaseObjectWithObject_withObjectId(
    RemotePairedDevices record, const std::optional<std::string>& objectId) {
    record.objectId = objectId;
    record.pfObject()->saveInBackground();
}

void RemoteSyncMac::updateCurrentRemoteStateIfNeeded() {
    // The data model is read here, on the caller's (main) thread; the rest runs in the background.
    const RemotePairedDevices current = RemotePairedDeviceMacFactory::generateCurrentPairedDevicesObject();
    std::weak_ptr<RemoteSyncMac> weakSelf = weak_from_this();
    runInBackgroundAsync([weakSelf, current] {
        auto self = weakSelf.lock();
        if (!self || !internetReachable()) return;
        if (!current.macId || current.macId->empty()) return;
        auto query = queryForMac(*current.macId);
        if (self->requestInProgress.exchange(true)) return;
        query->findObjectsInBackgroundWithBlock([weakSelf, current](const auto& objects, const auto& error) {
            auto self = weakSelf.lock();
            if (!self) return;
            if (error) {
                self->requestInProgress = false;
                return;
            }
            if (objects.empty()) current.pfObject()->saveInBackground();
            for (const auto& object : objects) {
                const RemotePairedDevices stored = RemotePairedDevices::initWithPFObject(*object);
                if (shouldUpdateRemoteDatabaseObject(stored, current))
                    updateRemoteDatabaseObjectWithObject_withObjectId(
                        RemotePairedDeviceMacFactory::generateCurrentPairedDevicesObject(), stored.objectId);
            }
            self->requestInProgress = false;
        });
    });
}

void RemoteSyncMac::checkIfDeviceUnlinkedRemotely() {
    auto& manager = DataManager::shared();
    auto phone = manager.getTrackingMobileDevice();
    if (!phone) return;
    const auto& connection = phone->mobileDeviceConnectionInfo();
    const bool connected = connection && connection->isConnected() && connection->isConnected()->boolValue();
    double lastConnection = 0;
    if (auto settings = manager.settingsForDeviceId(phone->unId());
        settings && settings->OSXSettings() && settings->OSXSettings()->lastConnectionTimestamp())
        lastConnection = settings->OSXSettings()->lastConnectionTimestamp()->doubleValue();
    const std::optional<std::string> trackedId = phone->unId().value_or("");
    const std::string macId = Common::uniqueAppIdentifier();
    std::weak_ptr<RemoteSyncMac> weakSelf = weak_from_this();
    runInBackgroundAsync([weakSelf, connected, lastConnection, trackedId, macId] {
        if (connected || !internetReachable()) return;
        queryForMac(macId)->findObjectsInBackgroundWithBlock([=](const auto& objects, const auto& error) {
            if (error) return;
            for (const auto& object : objects) {
                const RemotePairedDevices stored = RemotePairedDevices::initWithPFObject(*object);
                if (stored.macId == macId && stored.iPhoneId != trackedId && lastConnection > 0 &&
                    stored.lastUpdateTimestamp > lastConnection) {
                    runOnMainQueueAsync([weakSelf] {
                        auto self = weakSelf.lock();
                        auto tracked = DataManager::shared().getTrackingMobileDevice();
                        if (self && self->delegate && tracked)
                            self->delegate->remoteSyncMac_didUnlinkFromDevice(*self, tracked);
                    });
                }
            }
        });
    });
}

}  // namespace kestrune
