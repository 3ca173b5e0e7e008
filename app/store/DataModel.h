#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/store/MainThreadCheck.h"
#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace kestrune {

class Device;
class MobileDevice;
class MobileSettings;
class MobileSettingsLocal;

// The device data, stored whole in its own keyed archive: this Mac, every known phone with its
// settings, local state and encrypted password (all keyed by the phone's identifier), and the
// Bluetooth peripherals the scanner ignores. A dictionary missing from the archive decodes as none.
class DataModel : public platform::Object, public platform::Coding {
public:
    static constexpr const char* kClassName = "DataModel";

    using SettingsDictionary = std::map<std::string, std::shared_ptr<MobileSettings>>;
    using MobileDeviceDictionary = std::map<std::string, std::shared_ptr<MobileDevice>>;
    using PasswordDictionary = std::map<std::string, std::string>;
    // The ignore-list records belong to the phone link; they are kept here as the records they are.
    using PeripheralDictionary = std::map<std::string, std::shared_ptr<platform::Object>>;
    using LocalSettingsDictionary = std::map<std::string, std::shared_ptr<MobileSettingsLocal>>;

    // This Mac and five empty dictionaries.
    static std::shared_ptr<DataModel> initWithCurrentDevice(std::shared_ptr<Device> device);

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;

    // Gives a model from an older archive the two dictionaries that came later.
    void updateExistingModelIfNeeded();

    const std::shared_ptr<Device>& currentDevice() const { return currentDevice_; }
    void setCurrentDevice(std::shared_ptr<Device> device) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        currentDevice_ = std::move(device);
    }

    std::optional<SettingsDictionary>& dictOfMobileDeviceSettings() { return dictOfMobileDeviceSettings_; }
    const std::optional<SettingsDictionary>& dictOfMobileDeviceSettings() const {
        return dictOfMobileDeviceSettings_;
    }
    void setDictOfMobileDeviceSettings(std::optional<SettingsDictionary> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        dictOfMobileDeviceSettings_ = std::move(value);
    }

    std::optional<MobileDeviceDictionary>& dictOfAllMobileDevice() { return dictOfAllMobileDevice_; }
    const std::optional<MobileDeviceDictionary>& dictOfAllMobileDevice() const {
        return dictOfAllMobileDevice_;
    }
    void setDictOfAllMobileDevice(std::optional<MobileDeviceDictionary> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        dictOfAllMobileDevice_ = std::move(value);
    }

    std::optional<PasswordDictionary>& dictOfPasswords() { return dictOfPasswords_; }
    const std::optional<PasswordDictionary>& dictOfPasswords() const { return dictOfPasswords_; }
    void setDictOfPasswords(std::optional<PasswordDictionary> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        dictOfPasswords_ = std::move(value);
    }

    std::optional<PeripheralDictionary>& dictOfPeripheralsToIgnore() { return dictOfPeripheralsToIgnore_; }
    const std::optional<PeripheralDictionary>& dictOfPeripheralsToIgnore() const {
        return dictOfPeripheralsToIgnore_;
    }
    void setDictOfPeripheralsToIgnore(std::optional<PeripheralDictionary> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        dictOfPeripheralsToIgnore_ = std::move(value);
    }

    std::optional<LocalSettingsDictionary>& dictOfMobileDeviceLocalSettings() {
        return dictOfMobileDeviceLocalSettings_;
    }
    const std::optional<LocalSettingsDictionary>& dictOfMobileDeviceLocalSettings() const {
        return dictOfMobileDeviceLocalSettings_;
    }
    void setDictOfMobileDeviceLocalSettings(std::optional<LocalSettingsDictionary> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        dictOfMobileDeviceLocalSettings_ = std::move(value);
    }

private:
    std::shared_ptr<Device> currentDevice_;
    std::optional<SettingsDictionary> dictOfMobileDeviceSettings_;
    std::optional<MobileDeviceDictionary> dictOfAllMobileDevice_;
    std::optional<PasswordDictionary> dictOfPasswords_;
    std::optional<PeripheralDictionary> dictOfPeripheralsToIgnore_;
    std::optional<LocalSettingsDictionary> dictOfMobileDeviceLocalSettings_;
};

}  // namespace kestrune
