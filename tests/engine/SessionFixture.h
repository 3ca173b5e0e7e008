#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MacSessionServices.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "engine/evidence/FullScreenDetection.h"
#include "engine/evidence/IdleController.h"
#include "engine/evidence/KestruneEvent.h"
#include "engine/evidence/KestruneIdleManager.h"
#include "engine/evidence/LaptopLidEvidenceSource.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/MotionTracking.h"
#include "engine/evidence/SleepDurationTracker.h"
#include "engine/session/LoginItemsManager.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "engine/session/StartOnLoginController.h"
#include "engine/session/SystemPreferences.h"
#include "engine/session/UserControl.h"
#include "platform/base/NotificationCenter.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/Files.h"
#include "platform/system/Application.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Application.h"
#include "tests/support/TestEnvironment.h"

// A fresh simulated Mac session per test, installed as the platform's session services, with the
// engine's shared services dropped before and after, so that no test sees another's monitor, lid watch
// or caches.
class SessionTest : public testsupport::KestruneTest {
public:
    struct Posted {
        std::string name;
        double at;  // seconds since the test's start
        bool operator==(const Posted& o) const { return name == o.name && std::abs(at - o.at) < 1e-6; }
    };

protected:
    void SetUp() override {
        KestruneTest::SetUp();
        resetEngine();
        // Inactive with no window in front, as a fresh process starts: a window that a test before left
        // open would keep the application in front, and its activation would announce nothing.
        platform::ui::Application::shared().resetForTesting();
        platform::Application::shared().resetForTesting();
        start_ = now();
        session = platform::SimulatedSession::create(home() + "/session");
        session->install();
        kestrune::EngineSessionServices::install();
    }

    void TearDown() override {
        runUntilIdle();
        resetEngine();
        platform::SimulatedSession::uninstall();
        kestrune::MacSessionServices::install(nullptr);
        platform::SystemVersion::setOverride(std::nullopt);
        KestruneTest::TearDown();
    }

    static void resetEngine() {
        kestrune::MacDisplayControl::resetSharedForTesting();
        kestrune::LaptopLidEvidenceSource::resetSharedForTesting();
        kestrune::IdleController::resetSharedForTesting();
        kestrune::SleepDurationTracker::resetSharedForTesting();
        kestrune::KestruneEvent::resetSharedForTesting();
        kestrune::MotionTracking::resetSharedForTesting();
        kestrune::KestruneIdleManager::resetSharedForTesting();
        kestrune::FullScreenDetection::resetSharedForTesting();
        kestrune::ScreensaverPreconditions::resetSharedForTesting();
        kestrune::StartOnLoginController::resetSharedForTesting();
        kestrune::LoginItemsManager::resetSharedForTesting();
        kestrune::UserControl::resetIdentityCacheForTesting();
        kestrune::SystemPreferences::resetCacheForTesting();
        kestrune::DeviceLocalSettings::resetSharedForTesting();
        platform::DistributedNotificationCenter::defaultCenter().removeAllObservers();
    }

    // Every notification on the default centre from now on, with its time.
    void recordNotifications() {
        recording_ = platform::NotificationCenter::defaultCenter().addObserver(
            "", nullptr, [this](const platform::Notification& n) {
                posted.push_back({n.name, now() - start_});
            });
    }
    double elapsed() const { return now() - start_; }
    // Advances to the given second since the test's start.
    void advanceTo(double second) { advance(start_ + second - now()); }
    void setVersion(const char* version) { platform::SystemVersion::setOverride(std::string(version)); }
    std::shared_ptr<platform::SimulatedDesktop> desktop() const { return session->desktop(); }
    size_t logLines() const;

    std::shared_ptr<platform::SimulatedSession> session;
    std::vector<Posted> posted;

private:
    double start_ = 0;
    platform::NotificationCenter::Observation recording_;
};

inline std::ostream& operator<<(std::ostream& out, const SessionTest::Posted& p) {
    return out << p.name << "@" << p.at;
}

inline size_t SessionTest::logLines() const {
    auto data = platform::Files::read(session->accountPolicyLogPath());
    if (!data) return 0;
    return static_cast<size_t>(std::count(data->bytes(), data->bytes() + data->size(), '\n'));
}
