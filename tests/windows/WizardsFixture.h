#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/records/SafeWifiEntry.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/base/Clock.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/system/SystemVersion.h"
#include "tests/windows/screens/ScreensFixture.h"

namespace wizardtests {

// An option some screen reported, with the time it came.
struct Heard {
    int32_t option;
    double at;
    bool operator==(const Heard& other) const { return option == other.option && at == other.at; }
};

// The screens' tests of the wizards, tutorials and help pagers: the screens' fixture with a simulated
// Mac (system settings, accessibility trust, administrator prompts, commands) and simulated Wi-Fi, and
// trusted Wi-Fi of a new process.
class WizardsFixture : public screentests::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        mac = platform::SimulatedSession::create(home() + "/session");
        mac->install();
        wifi = platform::SimulatedWifi::create();
        wifi->install();
        kestrune::SafeWifiManager::resetSharedForTesting();
        start = platform::Clock::now();
    }
    void TearDown() override {
        runUntilIdle();
        kestrune::SafeWifiManager::resetSharedForTesting();
        platform::WifiBackend::install(nullptr);
        platform::SimulatedSession::uninstall();
        platform::SystemVersion::setOverride(std::nullopt);
        ScreensFixture::TearDown();
    }

    double elapsed() const { return platform::Clock::now() - start; }
    std::shared_ptr<platform::SimulatedDesktop> desktop() const { return mac->desktop(); }

    static std::shared_ptr<kestrune::SafeWifiEntry> network(const std::string& name,
                                                            const std::string& bssid) {
        auto entry = kestrune::SafeWifiEntry::init();
        entry->setSsidName(name);
        entry->setBssid(bssid);
        return entry;
    }
    // A trusted network with the switch on: trusted Wi-Fi unlock is on.
    static void trustNetwork(const std::string& name) {
        auto& manager = kestrune::SafeWifiManager::shared();
        manager.addSafeWifiEntry(network(name, "aa:bb:cc:dd:ee:01"));
        manager.setSafeWifiTurnedOn(true);
    }
    static std::vector<std::string> trustedNames() {
        std::vector<std::string> names;
        for (const auto& object : kestrune::SafeWifiManager::shared().safeWifiEntries())
            if (auto entry = std::dynamic_pointer_cast<kestrune::SafeWifiEntry>(object))
                names.push_back(entry->ssidName().value_or(""));
        return names;
    }

    std::shared_ptr<platform::SimulatedSession> mac;
    std::shared_ptr<platform::SimulatedWifi> wifi;
    double start = 0;
};

}  // namespace wizardtests
