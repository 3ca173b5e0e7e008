#include "app/store/DataManager.h"

#include <algorithm>

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "app/records/FTWDevice.h"
#include "app/records/MacSessionServices.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/records/PairingInfo.h"
#include "app/records/PhoneRecordLookup.h"
#include "app/records/iOSPreferences.h"
#include "app/shell/CustomRunArgs.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/MainThreadCheck.h"
#include "app/support/AESAdditions.h"
#include "app/support/Common.h"
#include "app/support/Utilities.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/SharedInstance.h"
#include "platform/storage/Files.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {

// A service asked while the first call builds the models may itself ask for the manager.
platform::SharedInstance<DataManager> gSharedDataManager;

// The records find each other through the manager, made on first use as when they ask it directly.
class ManagerRecordLookup final : public PhoneRecordLookup {
public:
    std::shared_ptr<MobileSettings> settingsForDeviceId(const std::optional<std::string>& unId) override {
        return DataManager::shared().settingsForDeviceId(unId);
    }
    std::shared_ptr<MobileSettingsLocal> localSettingsForDevice(
        const std::optional<std::string>& unId) override {
        return DataManager::shared().localSettingsForDevice(unId);
    }
};
const bool gRecordLookupInstalled = [] {
    PhoneRecordLookup::install(std::make_shared<ManagerRecordLookup>());
    return true;
}();

// The device data holds the passwords, the application data the user's comings and goings: only their
// owner may read them.
constexpr mode_t kDeviceDataMode = 0600;

// The classes each archive may hold; anything else in a file is refused rather than instantiated.
const platform::KeyedUnarchiver::ClassNames& deviceDataClasses() {
    static const platform::KeyedUnarchiver::ClassNames names = {DataModel::kClassName,
                                                                "Device",
                                                                "DeviceInfo",
                                                                "ConnectionInfo",
                                                                "SessionInfo",
                                                                "DeviceUser",
                                                                "MobileDevice",
                                                                "MobileDeviceInfo",
                                                                "MobileDeviceConnectionInfo",
                                                                "MobileSettings",
                                                                "MobileDeviceTrackInfo",
                                                                "PairingInfo",
                                                                "iOSPreferences",
                                                                "OSXPreferences",
                                                                "MobileSettingsLocal",
                                                                "LEScannerIgnorePeripheral"};
    return names;
}

const platform::KeyedUnarchiver::ClassNames& applicationDataClasses() {
    static const platform::KeyedUnarchiver::ClassNames names = {
        ApplicationDataModel::kClassName,
        ApplicationDataModel::kManualSnapshotClassName,
        ApplicationDataModel::kFailedLoginClassName,
        ApplicationDataModel::kLoginLogoutClassName,
        ApplicationDataModel::kSafeWifiClassName,
        ApplicationDataModel::kWifiUnlockConfigClassName};
    return names;
}

// Loads one archive file. A file that exists but does not hold the expected root is moved aside and
// reported, so that the next save cannot destroy what may still be recovered; `refused` is set when
// it could not be moved, and the caller then never saves over it.
template <class Root>
std::shared_ptr<Root> loadArchive(const std::string& path,
                                  const platform::KeyedUnarchiver::ClassNames& classes, bool& refused) {
    auto result = platform::KeyedUnarchiver::unarchiveObjectWithFile(path, &classes);
    using Status = platform::KeyedUnarchiver::FileResult::Status;
    if (result.status == Status::Missing) return nullptr;
    if (result.status == Status::Loaded) {
        if (auto root = result.root.objectAs<Root>()) return root;
        platform::logf("The file %s holds %s, not a %s", path.c_str(), result.root.description().c_str(),
                       Root::kClassName);
        result.movedAsidePath = platform::Files::moveAside(path);
    }
    if (result.movedAsidePath) {
        platform::logf("The unreadable %s was kept as %s; starting without its data", path.c_str(),
                       result.movedAsidePath->c_str());
    } else {
        platform::logf("The unreadable %s could not be moved aside; it will not be saved over in this run",
                       path.c_str());
        refused = true;
    }
    return nullptr;
}

bool saysConnected(const std::shared_ptr<MobileDevice>& device) {
    return device && device->mobileDeviceConnectionInfo() &&
           boolValueOf(device->mobileDeviceConnectionInfo()->isConnected());
}

}  // namespace

DataManager& DataManager::shared() {
    return gSharedDataManager.get([] { return new DataManager; },
                                  [](DataManager& manager) { manager.initializeData(); });
}

void DataManager::resetSharedForTesting() {
    gSharedDataManager.resetForTesting();
}

void DataManager::initializeData() {
    if (CustomRunArgs::shouldWipeCleanRunData()) Utilities::deleteAllKestruneFiles();
    // Saves cut short by a kill leave their temporary copies; this is the one moment no save runs.
    platform::Files::removeLeftoverTemporaryFiles(Utilities::applicationFilesDirectory());
    platform::Files::removeLeftoverTemporaryFiles(Utilities::applicationDataKestruneDirectoryFilePath());
    // So do photos cut short while being written; the photo folders hold nothing else of anyone's. One
    // that is a link leads into a folder of the user's, where such a name may be another program's save
    // in progress: it is left alone, as deleting photos leaves it.
    for (const auto& folder : Utilities::photoFolderPaths()) {
        if (Utilities::isFolderItself(folder))
            platform::Files::removeLeftoverTemporaryFilesInFolder(folder);
        else if (platform::Files::exists(folder))
            platform::logf("The photo folder %s is a link or no folder; nothing in it is removed",
                           folder.c_str());
    }
    pairingRequestsInQueue_.clear();
    model_ = getSavedDataModel();
    applicationDataModel_ = applicationData();
}

std::shared_ptr<DataModel> DataManager::getSavedDataModel() {
    if (!model_) loadDataModelFromFile();
    if (shouldGenerateNewModel()) generateNewModel();
    return model_;
}

bool DataManager::shouldGenerateNewModel() const {
    // Asked every time, not only when a model was loaded: the answer also records that this launch
    // happened, and a run that generated the model without recording it would have the next launch
    // take itself for the first and replace the user's data.
    bool firstEverLaunch = Common::isFirstEverLaunch();
    return (!model_ || firstEverLaunch) && !databaseGenerated_;
}

void DataManager::loadDataModelFromFile() {
    model_ = loadArchive<DataModel>(Utilities::applicationFilesDirectory(), deviceDataClasses(),
                                    deviceDataSaveRefused_);
    if (model_) model_->updateExistingModelIfNeeded();
}

void DataManager::generateNewModel() {
    // Whatever file the fresh model would replace is kept beside it, byte for byte, so that no launch
    // can lose the paired phones by taking itself for the first. A file still here is no unreadable one
    // (those were moved aside when loading): it is kept as what it is, a replaced file.
    std::string path = Utilities::applicationFilesDirectory();
    if (platform::Files::exists(path)) {
        if (auto kept = platform::Files::keepAside(path, "replaced")) {
            platform::logf("The device data %s is replaced by a fresh model; the old file is kept as %s",
                           path.c_str(), kept->c_str());
        } else {
            platform::logf(
                "The device data %s could not be kept aside; this run uses a fresh model and "
                "does not save over the file",
                path.c_str());
            deviceDataSaveRefused_ = true;
        }
    }
    model_ = DataModel::initWithCurrentDevice(createCurrentDevice());
    saveCurrentDataModel();
    databaseGenerated_ = true;
}

std::shared_ptr<ApplicationDataModel> DataManager::applicationData() {
    if (!applicationDataModel_) loadApplicationDataFromFile();
    return applicationDataModel_;
}

void DataManager::loadApplicationDataFromFile() {
    applicationDataModel_ =
        loadArchive<ApplicationDataModel>(Utilities::applicationDataKestruneDirectoryFilePath(),
                                          applicationDataClasses(), applicationDataSaveRefused_);
    if (!applicationDataModel_) applicationDataModel_ = ApplicationDataModel::init();
    applicationDataModel_->updateModelIfNeeded();
}

void DataManager::removeStoredPasswordsInRecords() {
    // The password of a registered user lives only encrypted in the password dictionary; the copy the
    // pairing request carried never reaches the disk.
    if (!model_ || !model_->dictOfMobileDeviceSettings()) return;
    for (auto& [unId, settings] : *model_->dictOfMobileDeviceSettings()) {
        if (settings && settings->registeredDeviceUser())
            settings->registeredDeviceUser()->setPassword(std::nullopt);
    }
}

bool DataManager::saveCurrentDataModel() {
    if (!platform::isMainThread()) {
        platform::logf("The device data is saved on the main thread; the save is queued there");
        runOnMainQueueAsync([] { DataManager::shared().saveCurrentDataModel(); });
        return false;
    }
    if (!model_) return false;
    std::string path = Utilities::applicationFilesDirectory();
    if (deviceDataSaveRefused_) {
        platform::logf("The device data is not saved: the unreadable %s is still in the way", path.c_str());
        return false;
    }
    removeStoredPasswordsInRecords();
    platform::Files::makePrivate(platform::Files::parentPath(path));
    bool saved =
        platform::KeyedArchiver::archiveRootObject_toFile(platform::Value(model_), path, kDeviceDataMode);
    // A folder that cannot be written was named once already; each save need not repeat it.
    if (!saved && !platform::Files::isInUnwritableFolder(path))
        platform::logf("The device data could not be saved to %s", path.c_str());
    return saved;
}

bool DataManager::saveApplicationData() {
    if (!platform::isMainThread()) {
        platform::logf("The application data is saved on the main thread; the save is queued there");
        runOnMainQueueAsync([] { DataManager::shared().saveApplicationData(); });
        return false;
    }
    if (!applicationDataModel_) return false;
    std::string path = Utilities::applicationDataKestruneDirectoryFilePath();
    if (applicationDataSaveRefused_) {
        platform::logf("The application data is not saved: the unreadable %s is still in the way",
                       path.c_str());
        return false;
    }
    // The history and the trusted networks are as private as the device data. The folder is tightened
    // unless it is the Documents fallback, which belongs to the user.
    std::string folder = platform::Files::parentPath(path);
    if (folder != Utilities::documentsDirectory()) platform::Files::makePrivate(folder);
    bool saved = platform::KeyedArchiver::archiveRootObject_toFile(platform::Value(applicationDataModel_),
                                                                   path, kDeviceDataMode);
    if (!saved && !platform::Files::isInUnwritableFolder(path))
        platform::logf("The application data could not be saved to %s", path.c_str());
    return saved;
}

std::shared_ptr<Device> DataManager::getActiveDesktopDevice() {
    auto model = getSavedDataModel();
    return model ? model->currentDevice() : nullptr;
}

std::shared_ptr<DeviceUser> DataManager::getActiveDesktopUser() {
    auto services = MacSessionServices::current();
    auto users = services->getAllMacUsers();
    auto found = users.find(services->getCurrentLogedInUsername());
    return found == users.end() ? nullptr : found->second;
}

std::shared_ptr<MobileSettings> DataManager::settingsForDeviceId(const std::optional<std::string>& unId) {
    if (!unId || !model_ || !model_->dictOfMobileDeviceSettings()) return nullptr;
    auto& settings = *model_->dictOfMobileDeviceSettings();
    auto found = settings.find(*unId);
    return found == settings.end() ? nullptr : found->second;
}

std::shared_ptr<MobileSettingsLocal> DataManager::localSettingsForDevice(
    const std::optional<std::string>& unId) {
    if (!unId || !model_) return nullptr;
    auto& dictionary = model_->dictOfMobileDeviceLocalSettings();
    if (!dictionary) dictionary.emplace();
    auto& local = (*dictionary)[*unId];
    if (!local) local = MobileSettingsLocal::init();
    return local;
}

std::shared_ptr<MobileDevice> DataManager::mobileDeviceForSettings(
    const std::shared_ptr<MobileSettings>& settings) {
    if (!settings || !settings->unId() || !model_->dictOfAllMobileDevice()) return nullptr;
    auto& devices = *model_->dictOfAllMobileDevice();
    auto found = devices.find(*settings->unId());
    return found == devices.end() ? nullptr : found->second;
}

std::shared_ptr<MobileDevice> DataManager::getTrackingMobileDevice() {
    if (!model_ || !model_->dictOfMobileDeviceSettings()) return nullptr;
    for (const auto& [unId, settings] : *model_->dictOfMobileDeviceSettings()) {
        if (settings && settings->pairingInfo() &&
            intValueOf(settings->pairingInfo()->connectionStatus()) == PairingInfo::kConnectionStatusPaired)
            return mobileDeviceForSettings(settings);
    }
    return nullptr;
}

std::shared_ptr<MobileSettings> DataManager::getTrackingSettings() {
    auto device = getTrackingMobileDevice();
    return device ? settingsForDeviceId(device->unId()) : nullptr;
}

bool DataManager::isConnectedToTrackingDevice() {
    return saysConnected(getTrackingMobileDevice());
}

void DataManager::unlinkAllKnownTrackingDevices() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (!model_ || !model_->dictOfMobileDeviceSettings()) return;
    for (auto& [unId, settings] : *model_->dictOfMobileDeviceSettings()) {
        if (settings && settings->pairingInfo())
            settings->pairingInfo()->setConnectionStatus(
                platform::Number(PairingInfo::kConnectionStatusUnlinkedForAnotherPhone));
    }
}

void DataManager::deleteAllDevicesExceptTrackingDevice() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (!model_ || !model_->dictOfAllMobileDevice()) return;
    auto tracked = getTrackingMobileDevice();
    std::vector<std::string> forgotten;
    for (const auto& [key, device] : *model_->dictOfAllMobileDevice()) {
        if (device == tracked || saysConnected(device)) continue;
        forgotten.push_back(device && device->unId() ? *device->unId() : key);
    }
    for (const auto& unId : forgotten) {
        if (auto& local = model_->dictOfMobileDeviceLocalSettings()) local->erase(unId);
        if (auto& settings = model_->dictOfMobileDeviceSettings()) settings->erase(unId);
        if (auto& devices = model_->dictOfAllMobileDevice()) devices->erase(unId);
        if (auto& passwords = model_->dictOfPasswords()) passwords->erase(unId);
    }
}

std::shared_ptr<Device> DataManager::createCurrentDevice() {
    auto device = Device::init();
    device->setDeviceInfo(createCurrentDeviceInfo());
    updateSessionInfoForDevice(device);
    return device;
}

std::shared_ptr<DeviceInfo> DataManager::createCurrentDeviceInfo() {
    auto info = DeviceInfo::init();
    info->setDeviceName(FTWDevice::currentDeviceLocalizedName());
    info->setDeviceType(platform::Number(static_cast<uint32_t>(FTWDevice::currentDeviceFamily())));
    return info;
}

void DataManager::updateSessionInfoForDevice(const std::shared_ptr<Device>& device) {
    if (!device) return;
    if (!device->sessionInfo()) device->setSessionInfo(SessionInfo::init());
    auto services = MacSessionServices::current();
    auto& session = device->sessionInfo();
    session->setUserIsLoggedIn(platform::Number(services->ifUserLoggedInAndActive()));
    session->setUserIdLoggedIn(services->getCurrentLogedInUsername());
    session->setLaptopLidIsDownAndNoExternalMonitor(
        platform::Number(services->laptopLidIsDownAndNoExternalMonitor()));
}

void DataManager::updateDeviceSessionInfo() {
    updateSessionInfoForDevice(getActiveDesktopDevice());
}

void DataManager::updateUserLoggedIn() {
    auto device = getActiveDesktopDevice();
    if (!device) return;
    if (!device->sessionInfo()) device->setSessionInfo(SessionInfo::init());
    device->sessionInfo()->setUserIsLoggedIn(
        platform::Number(MacSessionServices::current()->ifUserLoggedInAndActive()));
}

void DataManager::updateCurrentDeviceInfo() {
    auto model = getSavedDataModel();
    if (!model) return;
    if (auto device = model->currentDevice()) {
        device->setDeviceInfo(createCurrentDeviceInfo());
        updateSessionInfoForDevice(device);
    } else {
        model->setCurrentDevice(createCurrentDevice());
    }
    if (!model->dictOfMobileDeviceSettings()) return;
    bool loggedIn = model->currentDevice()->userStatedAsLoggedIn();
    std::string appVersion = Common::getAppVersion();
    std::string systemVersion = Utilities::systemVersionNumeric();
    for (auto& [unId, settings] : *model->dictOfMobileDeviceSettings()) {
        if (!settings) continue;
        if (auto& preferences = settings->OSXSettings()) {
            preferences->setOSXVersion(appVersion);
            preferences->setOSXSystemVersion(systemVersion);
        }
        auto& track = settings->mobileDeviceTrackInfo();
        if (!track) continue;
        if (loggedIn) {
            track->setProxLockTemporaryDisabledBecauseLogout(platform::Number(false));
        } else {
            track->setProxLockTemporaryDisabledBecauseLogin(platform::Number(false));
        }
    }
}

void DataManager::updateInfoBeforeSyncingForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    upadteRSSILocationToUnknownForMobileDevice(device);
    updateCurrentDeviceInfo();
    updateDeviceSessionInfo();
}

void DataManager::upadteRSSILocationToUnknownForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    if (!device) return;
    if (auto local = localSettingsForDevice(device->unId())) local->setKestruneConfirmedLocation(0);
}

void DataManager::updateiOSSettings_fromIphoneDevice(std::shared_ptr<iOSPreferences> preferences,
                                                     const std::shared_ptr<MobileDevice>& device) {
    if (!device) return;
    if (auto settings = settingsForDeviceId(device->unId())) settings->setIOSSettings(std::move(preferences));
}

void DataManager::setClearTextPassword_forMobileDevice(const std::string& password,
                                                       const std::shared_ptr<MobileDevice>& device) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (!device || !device->unId() || !model_) {
        platform::logf("A password for a phone without an identifier is not stored");
        return;
    }
    auto encrypted = AES256EncryptWithKey(std::string_view(password), kPasswordKey);
    auto& passwords = model_->dictOfPasswords();
    if (!passwords) passwords.emplace();
    if (!encrypted) {
        // Never leave the earlier password in place as if it were the new one.
        platform::logf("The password for phone %s could not be encrypted; none is stored",
                       device->unId()->c_str());
        passwords->erase(*device->unId());
        return;
    }
    (*passwords)[*device->unId()] = *encrypted;
}

std::optional<std::string> DataManager::passwordClearTextForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (!device || !device->unId() || !model_ || !model_->dictOfPasswords()) return std::string();
    auto& passwords = *model_->dictOfPasswords();
    auto found = passwords.find(*device->unId());
    if (found == passwords.end()) return std::string();
    auto clear = AES256DecryptWithKey(found->second, kPasswordKey);
    if (!clear) platform::logf("The stored password for phone %s does not decrypt", device->unId()->c_str());
    return clear;
}

void DataManager::addMobileDeviceToPairingRequestQueue(const std::shared_ptr<MobileDevice>& device) {
    if (device) pairingRequestsInQueue_.push_back(device);
}

void DataManager::removeMobileDeviceFromPairingRequestQueue(const std::shared_ptr<MobileDevice>& device) {
    std::erase(pairingRequestsInQueue_, device);
}

std::shared_ptr<MobileDevice> DataManager::getNextMobileDevice() const {
    return pairingRequestsInQueue_.empty() ? nullptr : pairingRequestsInQueue_.front();
}

void DataManager::clearPairingDevice() {
    pairingMobileDevice_.reset();
    didAcceptPairingDevice_ = false;
}

}  // namespace kestrune
