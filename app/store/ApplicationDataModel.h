#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/store/MainThreadCheck.h"
#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace kestrune {

// The application data, stored whole in its own keyed archive: the manual and failed-login photo
// records, the lock/unlock history (newest first), the trusted Wi-Fi networks and the Wi-Fi unlock
// switch. Those records belong to the features that use them; they are kept here as the records they
// are and checked by class name, so that a list never holds a record of another kind.
class ApplicationDataModel : public platform::Object, public platform::Coding {
public:
    static constexpr const char* kClassName = "ApplicationDataModel";

    using EntryList = std::vector<std::shared_ptr<platform::Object>>;

    // The record classes of the lists and of the switch.
    static constexpr const char* kManualSnapshotClassName = "ManaulSnapshotEntry";
    static constexpr const char* kFailedLoginClassName = "FailedLoginEntry";
    static constexpr const char* kLoginLogoutClassName = "LoginLogoutEntry";
    static constexpr const char* kSafeWifiClassName = "SafeWifiEntry";
    static constexpr const char* kWifiUnlockConfigClassName = "WifiUnlockConfig";

    static std::shared_ptr<ApplicationDataModel> init() { return std::make_shared<ApplicationDataModel>(); }

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;

    // Gives every missing list an empty one and a missing switch a new one with its defaults (on).
    void updateModelIfNeeded();
    void removeAllManualSnapshotEntries();
    void removeAllFailedLoginEntries();
    void removeAllLoginLogoutEntries();

    std::optional<EntryList>& arrayOfManualSnapshots() { return arrayOfManualSnapshots_; }
    const std::optional<EntryList>& arrayOfManualSnapshots() const { return arrayOfManualSnapshots_; }
    void setArrayOfManualSnapshots(std::optional<EntryList> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        arrayOfManualSnapshots_ = std::move(value);
    }

    std::optional<EntryList>& arrayOfFailedLogins() { return arrayOfFailedLogins_; }
    const std::optional<EntryList>& arrayOfFailedLogins() const { return arrayOfFailedLogins_; }
    void setArrayOfFailedLogins(std::optional<EntryList> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        arrayOfFailedLogins_ = std::move(value);
    }

    // Newest first.
    std::optional<EntryList>& arrayOfLoginLogouts() { return arrayOfLoginLogouts_; }
    const std::optional<EntryList>& arrayOfLoginLogouts() const { return arrayOfLoginLogouts_; }
    void setArrayOfLoginLogouts(std::optional<EntryList> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        arrayOfLoginLogouts_ = std::move(value);
    }

    std::optional<EntryList>& arrayOfSafeWifi() { return arrayOfSafeWifi_; }
    const std::optional<EntryList>& arrayOfSafeWifi() const { return arrayOfSafeWifi_; }
    void setArrayOfSafeWifi(std::optional<EntryList> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        arrayOfSafeWifi_ = std::move(value);
    }

    const std::shared_ptr<platform::Object>& wifiUnlockConfig() const { return wifiUnlockConfig_; }
    void setWifiUnlockConfig(std::shared_ptr<platform::Object> value) {
        KESTRUNE_REQUIRE_MAIN_THREAD();
        wifiUnlockConfig_ = std::move(value);
    }

private:
    std::optional<EntryList> arrayOfManualSnapshots_;
    std::optional<EntryList> arrayOfFailedLogins_;
    std::optional<EntryList> arrayOfLoginLogouts_;
    std::optional<EntryList> arrayOfSafeWifi_;
    std::shared_ptr<platform::Object> wifiUnlockConfig_;
};

}  // namespace kestrune
