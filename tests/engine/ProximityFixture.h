#pragma once

#include <memory>
#include <string>

#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/ProcessInfo.h"
#include "tests/engine/SessionFixture.h"

// A session with one tracked phone, paired and ready, registered to the user running the application,
// tracking on at the default lock distance 60; unlock on approach and lock on walk-away allowed.
class ProximityTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        forgetData();
        auto& manager = kestrune::DataManager::shared();
        phone = kestrune::MobileDevice::initWithUnId(std::string("phone-1"));
        auto user = kestrune::DeviceUser::init();
        user->setUsername(platform::ProcessInfo::shared().userName());
        settings = kestrune::MobileSettings::initWithUnId_andDeviceUser(std::string("phone-1"), user);
        settings->pairingInfo()->setConnectionStatus(platform::Number(6));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
        auto& local = kestrune::DeviceLocalSettings::shared();
        local.setAllowLoginOnApproach(true);
        local.setAllowLogoutOnWalkAway(true);
        // Time since 1970 is small in virtual time: move away from the origin so that no unset stamp
        // looks recent.
        advance(100);
    }
    void TearDown() override {
        SessionTest::TearDown();
        forgetData();
    }
    static void forgetData() {
        kestrune::DataManager::resetSharedForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        platform::UserDefaults::resetAllForTesting();
    }
    void setStored(std::optional<int> value) {
        settings->setDistanceFromDevice(value ? std::optional<platform::Number>(platform::Number(*value))
                                              : std::nullopt);
    }
    int stored() const { return settings->distanceFromDevice()->intValue(); }
    int32_t location() const {
        return kestrune::DataManager::shared()
            .localSettingsForDevice(std::string("phone-1"))
            ->kestruneConfirmedLocation();
    }
    // Idle the user's input long enough that no lock is refused for activity.
    void userIdle(double seconds = 10) { advance(seconds); }

    std::shared_ptr<kestrune::MobileDevice> phone;
    std::shared_ptr<kestrune::MobileSettings> settings;
};
