#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/store/ApplicationDataModel.h"
#include "app/store/DataModel.h"
#include "app/store/MainThreadCheck.h"

namespace kestrune {

class Device;
class DeviceInfo;
class DeviceUser;
class MobileDevice;
class MobileSettings;
class MobileSettingsLocal;
class iOSPreferences;

// The one keeper of the lasting data: the device data and the application data, each loaded on first
// use and written whole to its own archive when a caller asks. It answers which phone is tracked and
// keeps the Mac user's password per phone, encrypted. Records and models are changed and saved on the
// main thread.
class DataManager {
public:
    // The key of the stored passwords; the phone encrypts the password it sends with the same text.
    static constexpr const char* kPasswordKey = "ujzpvz9ks2o5j16egoj9iw4t3owe8tpb7";

    // Created on first use, once: that first call loads (or creates) both models.
    static DataManager& shared();

    void initializeData();
    std::shared_ptr<DataModel> getSavedDataModel();
    bool shouldGenerateNewModel() const;
    void loadDataModelFromFile();
    void generateNewModel();
    std::shared_ptr<ApplicationDataModel> applicationData();
    void loadApplicationDataFromFile();
    // Each writes its whole archive atomically; false when nothing was written (no model, a file that
    // could not be moved aside is in the way, the write failed, or the call came off the main thread,
    // in which case the save is queued there).
    bool saveCurrentDataModel();
    bool saveApplicationData();

    const std::shared_ptr<DataModel>& model() const { return model_; }
    const std::shared_ptr<ApplicationDataModel>& applicationDataModel() const {
        return applicationDataModel_;
    }
    bool databaseGenerated() const { return databaseGenerated_; }

    std::shared_ptr<Device> getActiveDesktopDevice();
    std::shared_ptr<DeviceUser> getActiveDesktopUser();
    std::shared_ptr<MobileSettings> settingsForDeviceId(const std::optional<std::string>& unId);
    // Made and kept on first request for a phone; null for no identifier.
    std::shared_ptr<MobileSettingsLocal> localSettingsForDevice(const std::optional<std::string>& unId);
    // The phone of the first settings record with pairing status kConnectionStatusPaired (6).
    std::shared_ptr<MobileDevice> getTrackingMobileDevice();
    std::shared_ptr<MobileSettings> getTrackingSettings();
    bool isConnectedToTrackingDevice();
    void unlinkAllKnownTrackingDevices();
    // Forgets every phone that is neither tracked nor connected now (not saved here).
    void deleteAllDevicesExceptTrackingDevice();

    std::shared_ptr<Device> createCurrentDevice();
    std::shared_ptr<DeviceInfo> createCurrentDeviceInfo();
    void updateSessionInfoForDevice(const std::shared_ptr<Device>& device);
    void updateDeviceSessionInfo();
    void updateUserLoggedIn();
    void updateCurrentDeviceInfo();
    void updateInfoBeforeSyncingForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void upadteRSSILocationToUnknownForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void updateiOSSettings_fromIphoneDevice(std::shared_ptr<iOSPreferences> preferences,
                                            const std::shared_ptr<MobileDevice>& device);

    // Stores the password encrypted under the phone's identifier (not saved here).
    void setClearTextPassword_forMobileDevice(const std::string& password,
                                              const std::shared_ptr<MobileDevice>& device);
    // The stored password in clear: "" when none is stored, none when the stored text does not decrypt.
    std::optional<std::string> passwordClearTextForMobileDevice(const std::shared_ptr<MobileDevice>& device);

    void addMobileDeviceToPairingRequestQueue(const std::shared_ptr<MobileDevice>& device);
    void removeMobileDeviceFromPairingRequestQueue(const std::shared_ptr<MobileDevice>& device);
    // The oldest waiting phone, left in the queue.
    std::shared_ptr<MobileDevice> getNextMobileDevice() const;
    const std::shared_ptr<MobileDevice>& pairingMobileDevice() const { return pairingMobileDevice_; }
    void setPairingMobileDevice(std::shared_ptr<MobileDevice> device) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        pairingMobileDevice_ = std::move(device);
    }
    bool didAcceptPairingDevice() const { return didAcceptPairingDevice_; }
    void setDidAcceptPairingDevice(bool accepted) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        didAcceptPairingDevice_ = accepted;
    }
    void clearPairingDevice();

    // Tests: forget the shared instance, as a new process would start without one.
    static void resetSharedForTesting();

    DataManager(const DataManager&) = delete;
    DataManager& operator=(const DataManager&) = delete;

private:
    DataManager() = default;
    std::shared_ptr<MobileDevice> mobileDeviceForSettings(const std::shared_ptr<MobileSettings>& settings);
    void removeStoredPasswordsInRecords();

    std::shared_ptr<DataModel> model_;
    std::shared_ptr<ApplicationDataModel> applicationDataModel_;
    std::vector<std::shared_ptr<MobileDevice>> pairingRequestsInQueue_;
    std::shared_ptr<MobileDevice> pairingMobileDevice_;
    bool didAcceptPairingDevice_ = false;
    bool databaseGenerated_ = false;
    // Set when an unreadable archive could not be moved aside: saving over it would destroy it.
    bool deviceDataSaveRefused_ = false;
    bool applicationDataSaveRefused_ = false;
};

}  // namespace kestrune
