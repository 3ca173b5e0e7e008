#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class LEScannerConnectionInterface;

// The scanner as the connection controller drives it, always from the main thread.
class LEScanner {
public:
    // The reasons of ignorePeripheralWithUUID_forReason.
    enum IgnoreReason : uint32_t {
        // Unsuitable, stuck, or advertising none of the accepted services: counted.
        kIgnoreUnsuitable = 0,
        // Found inappropriate services: counted.
        kIgnoreInappropriateServices = 1,
        // Black-listed for a while by the connection controller.
        kIgnoreTemporarily = 2,
        // A foreign local name or another maker's device.
        kIgnoreForeign = 3,
        // Not connectable, not the phone kept as main, or black-listed for good.
        kIgnorePermanently = 4,
    };

    virtual ~LEScanner() = default;

    virtual void acceptUUIDServiceString(const std::string& uuid) = 0;
    virtual void cachePeripheralWithUUID(const std::string& uuid) = 0;
    virtual void removeCachedPeripheralWithUUID(const std::string& uuid) = 0;
    virtual void removeAllCachedConnections() = 0;
    virtual void performBLETurnedOnAndReadyNotification() = 0;
    virtual void cleanPeripheralsForIgnoreReason(uint32_t reason) = 0;
    virtual void clearPeripheralIgnoreList() = 0;
    virtual void removePeripheralFromIgnoreList(const std::string& uuid) = 0;
    virtual void ignorePeripheralWithUUID_forReason(const std::string& uuid, uint32_t reason) = 0;
    virtual void setServiceUUIDsToSearchFor(const std::vector<std::string>& uuids) = 0;
    virtual void setServiceUUIDToSearchFor(const std::string& uuid) = 0;
    virtual void executeSingleScan() = 0;
    virtual void stopScanning() = 0;
    virtual bool isScanning() const = 0;
    virtual void cleanupAllConnections() = 0;
    // The connected connection of that peripheral identifier, or null.
    virtual std::shared_ptr<LEScannerConnectionInterface> connectionForUnID(const std::string& unId) = 0;
    virtual void clearDevicesForced(bool forced) = 0;
};

}  // namespace kestrune
