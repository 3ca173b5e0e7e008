#pragma once

#include <stdlib.h>
#include <time.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MacSessionServices.h"
#include "app/records/PhoneRecordServices.h"
#include "app/store/DataManager.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "platform/services/UserNotificationBackend.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/storage/Files.h"
#include "platform/storage/StringsTable.h"
#include "platform/system/Bundle.h"
#include "platform/system/PreferredLanguages.h"
#include "tests/support/TestEnvironment.h"

namespace featuretests {

// Every feature test starts with no data manager, the project's own bundle with English in use, no
// preferred languages but those a test sets, and notifications kept by a recorder.
inline void resetFeatureState() {
    kestrune::DataManager::resetSharedForTesting();
    kestrune::MacSessionServices::install(nullptr);
    kestrune::PhoneRecordServices::install(nullptr);
    kestrune::DeviceLocalSettings::resetSharedForTesting();
    unsetenv("KESTRUNE_BUNDLE_PATH");
    platform::Bundle::main().reload();
    platform::StringsTable::clearCache();
    kestrune::BundleEx::shared().resetForTesting();
    kestrune::setGalleryLanguage(kestrune::BundleEx::kDevelopmentLanguage);
    kestrune::installLocalizableBundle();
    platform::PreferredLanguages::setForTesting(std::vector<std::string>{});
}
inline const bool kFeatureResetRegistered = (testsupport::addResetHook(&resetFeatureState), true);

class FeatureTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        // File names and tracker lines are in local time: a fixed zone makes them exact.
        if (const char* zone = getenv("TZ")) previousZone_ = zone;
        setenv("TZ", "UTC0", 1);
        tzset();
        notifications = std::make_shared<platform::UserNotificationRecorder>();
        platform::UserNotificationBackend::install(notifications);
        log_ = std::make_unique<testsupport::LogCapture>();
    }
    void TearDown() override {
        log_.reset();
        platform::UserNotificationBackend::install(nullptr);
        KestruneTest::TearDown();
        resetFeatureState();
        if (previousZone_) {
            setenv("TZ", previousZone_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    // A bundle of the test's own: one "Localizable.strings" per language code, with the given text.
    void useBundle(const std::map<std::string, std::string>& tables) {
        const std::string bundle = home() + "/Bundle";
        for (const auto& [code, text] : tables) {
            platform::Files::createDirectories(bundle + "/" + code + ".lproj");
            platform::Files::writeAtomically(bundle + "/" + code + ".lproj/Localizable.strings",
                                             platform::Data(std::vector<uint8_t>(text.begin(), text.end())));
        }
        setenv("KESTRUNE_BUNDLE_PATH", bundle.c_str(), 1);
        platform::Bundle::main().reload();
        platform::StringsTable::clearCache();
        kestrune::BundleEx::shared().resetForTesting();
    }

    bool logged(const std::string& part) const { return log_->contains(part); }

    std::shared_ptr<platform::UserNotificationRecorder> notifications;

private:
    std::unique_ptr<testsupport::LogCapture> log_;
    std::optional<std::string> previousZone_;
};

}  // namespace featuretests
