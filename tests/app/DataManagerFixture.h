#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/DeviceUser.h"
#include "app/records/MacSessionServices.h"
#include "app/records/PhoneRecordServices.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/ProcessInfo.h"
#include "tests/support/TestEnvironment.h"

namespace recordtests {

// Every test of a binary that uses the data manager starts without one and with the default services,
// so that no test sees the models of another test's home.
inline void forgetDataManager() {
    kestrune::DataManager::resetSharedForTesting();
    kestrune::MacSessionServices::install(nullptr);
    kestrune::PhoneRecordServices::install(nullptr);
}
inline const bool kDataManagerResetRegistered = (testsupport::addResetHook(&forgetDataManager), true);

// The session as a test sets it.
class FakeSessionServices : public kestrune::MacSessionServices {
public:
    bool loggedInAndActive = true;
    bool lidDown = false;
    std::string username = "ada";
    std::set<std::string> enabledUsers = {"ada"};

    bool ifUserLoggedInAndActive() override { return loggedInAndActive; }
    bool laptopLidIsDownAndNoExternalMonitor() override { return lidDown; }
    std::string getCurrentLogedInUsername() override { return username; }
    std::map<std::string, std::shared_ptr<kestrune::DeviceUser>> getAllMacUsers() override {
        std::map<std::string, std::shared_ptr<kestrune::DeviceUser>> users;
        for (const auto& name : enabledUsers) {
            auto user = kestrune::DeviceUser::init();
            user->setUsername(name);
            users[name] = user;
        }
        return users;
    }
    bool userWithUserNameIsEnabled(const std::string& name) override { return enabledUsers.count(name) != 0; }
};

// Distance texts that show what they were asked, and a refusal a test switches.
class FakePhoneRecordServices : public kestrune::PhoneRecordServices {
public:
    bool refusedRecently = false;
    std::string language = "de";

    std::string getStringForMetric_fromRSSI(int32_t metric,
                                            const std::optional<platform::Number>& rssi) override {
        return std::to_string(metric) + ":" + (rssi ? rssi->stringValue() : "none");
    }
    bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() override { return refusedRecently; }
    std::string languageToBeUsedFromSupportedLanguages() override { return language; }
};

// A fresh home, fake services and no data manager yet; relaunch() starts the data manager as a new
// process would.
class DataManagerFixture : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        unsetenv("KESTRUNE_COMPUTER_NAME");
        platform::ProcessInfo::shared().setArguments({"kestrune"});
        session = std::make_shared<FakeSessionServices>();
        phoneServices = std::make_shared<FakePhoneRecordServices>();
        kestrune::MacSessionServices::install(session);
        kestrune::PhoneRecordServices::install(phoneServices);
        forgetProcessState();
    }
    void TearDown() override {
        forgetProcessState();
        kestrune::MacSessionServices::install(nullptr);
        kestrune::PhoneRecordServices::install(nullptr);
        platform::ProcessInfo::shared().setArguments({});
        KestruneTest::TearDown();
    }

    static void forgetProcessState() {
        kestrune::DataManager::resetSharedForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        kestrune::Common::resetLaunchAnswersForTesting();
        platform::UserDefaults::resetAllForTesting();
    }

    kestrune::DataManager& relaunch() {
        forgetProcessState();
        return kestrune::DataManager::shared();
    }

    std::shared_ptr<FakeSessionServices> session;
    std::shared_ptr<FakePhoneRecordServices> phoneServices;
};

}  // namespace recordtests
