#pragma once

// The history, chart and photo windows over a fresh application data in the test's home: UTC, the
// Cairo renderer for photos and share images, recorded notifications, a simulated camera and a
// simulated administrator dialog whose answers a test scripts.

#include <stdlib.h>
#include <time.h>

#include <memory>
#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "app/support/Utilities.h"
#include "platform/services/UserNotificationBackend.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/storage/Files.h"
#include "platform/system/SecurityServices.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "windows/sharing/MugShotGenerator.h"

namespace kestrune::windowtests {

inline void forgetRecordState() {
    // A gallery puts the English texts in place; the tests read the keys.
    setLocalizedStringLookup(nullptr);
    DataManager::resetSharedForTesting();
    DeviceLocalSettings::resetSharedForTesting();
    MugShotGenerator::forgetSavedMugShotPathForTesting();
    platform::SystemVersion::setOverride(std::nullopt);
}
inline const bool kRecordResetRegistered = (testsupport::addResetHook(&forgetRecordState), true);

class RecordWindowsTest : public ui::test::Fixture {
protected:
    static constexpr double kMarch4th = 1772582400;  // 2026-03-04 00:00:00 UTC

    void SetUp() override {
        Fixture::SetUp();
        setenv("TZ", "UTC0", 1);
        tzset();
        setenv("KESTRUNE_COMPUTER_NAME", "Studio", 1);
        ui::CairoRenderer::installAsBackend();
        notifications = std::make_shared<platform::UserNotificationRecorder>();
        platform::UserNotificationBackend::install(notifications);
        desktop = std::make_shared<platform::SimulatedDesktop>(std::weak_ptr<platform::SimulatedSession>{});
        platform::SecurityServices::install(desktop);
        camera = platform::SimulatedCamera::createDefault();
        platform::CaptureBackend::install(camera);
        platform::SystemVersion::setOverride(std::string("10.11.6"));
    }
    void TearDown() override {
        Fixture::TearDown();
        platform::CaptureBackend::install(nullptr);
        platform::SecurityServices::install(nullptr);
        platform::UserNotificationBackend::install(nullptr);
        forgetRecordState();
        unsetenv("KESTRUNE_COMPUTER_NAME");
        unsetenv("TZ");
        tzset();
    }

    static platform::Date at(double day, double hour, double minute = 0) {
        return platform::Date::dateWithTimeIntervalSince1970(kMarch4th + day * 86400 + hour * 3600 +
                                                             minute * 60);
    }
    std::shared_ptr<ApplicationDataModel> data() { return DataManager::shared().applicationData(); }
    // Where the records' photos are: the application shows and deletes only photos in its own folders.
    static std::string photoFolder() {
        return Utilities::applicationDataKestruneFailedLoginImagesDirectory();
    }
    // A photo of one colour where a record points.
    std::string photo(const std::string& name, uint32_t argb = 0xff336699) {
        ui::Bitmap bitmap;
        bitmap.width = 64;
        bitmap.height = 48;
        bitmap.pixels.assign(64 * 48, argb);
        const std::string path = photoFolder() + "/" + name;
        EXPECT_TRUE(ui::Image::createWithBitmap(bitmap, {64, 48})->writePNGToFile(path));
        return path;
    }
    // Stored newest first: each is inserted at the front, as the features store them.
    std::shared_ptr<LoginLogoutEntry> addEvent(uint32_t event, platform::Date date,
                                               std::optional<std::string> photoPath = std::nullopt) {
        auto entry = LoginLogoutEntry::initWithEvent_date_reason(event, date, 1);
        entry->setImagePath(std::move(photoPath));
        auto& list = data()->arrayOfLoginLogouts();
        if (!list) list.emplace();
        list->insert(list->begin(), entry);
        return entry;
    }
    std::shared_ptr<FailedLoginEntry> addFailed(platform::Date date, std::optional<std::string> photoPath) {
        auto entry = FailedLoginEntry::init();
        entry->setDate(date);
        entry->setImagePath(std::move(photoPath));
        auto& list = data()->arrayOfFailedLogins();
        if (!list) list.emplace();
        list->insert(list->begin(), entry);
        return entry;
    }
    size_t failedCount() {
        auto& list = data()->arrayOfFailedLogins();
        return list ? list->size() : 0;
    }
    size_t historyCount() {
        auto& list = data()->arrayOfLoginLogouts();
        return list ? list->size() : 0;
    }

    std::shared_ptr<platform::UserNotificationRecorder> notifications;
    std::shared_ptr<platform::SimulatedDesktop> desktop;
    std::shared_ptr<platform::SimulatedCamera> camera;
};

}  // namespace kestrune::windowtests
