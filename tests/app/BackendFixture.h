#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "platform/backend/BackendClient.h"
#include "platform/base/DispatchQueue.h"
#include "platform/system/NetworkReachability.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/SettableReachability.h"

namespace recordtests {

// A data manager, the hosted backend on a loopback server that answers "{}" unless told otherwise, and
// reachability a test sets (reachable to begin with).
class BackendFixture : public DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        reachability = testsupport::SettableReachability::install(platform::kReachabilityReachable);
        server.setDefaultAnswer({200, {}, "{}"});
        ASSERT_TRUE(server.start());
        platform::BackendClient::initializeWithConfiguration(
            {"app-id", "client-key", server.url("/parse"), false, 30});
    }
    void TearDown() override {
        server.releaseHeldAnswers();  // a test that failed before letting them go
        runUntilIdle();
        platform::BackendClient::resetForTesting();
        platform::ReachabilityBackend::install(nullptr);
        server.stop();
        DataManagerFixture::TearDown();
    }

    // A phone in the device data: tracked (pairing status 6) or not, connected or not.
    std::shared_ptr<kestrune::MobileDevice> addPhone(const std::string& unId, bool tracked,
                                                     bool connected = false) {
        auto& manager = kestrune::DataManager::shared();
        auto phone = kestrune::MobileDevice::initWithUnId(unId);
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
        auto settings = kestrune::MobileSettings::initWithUnId(unId);
        settings->pairingInfo()->setConnectionStatus(platform::Number(tracked ? 6 : 1));
        (*manager.model()->dictOfAllMobileDevice())[unId] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[unId] = settings;
        return phone;
    }

    // Once the server holds `held` requests, waits until no other background work is left: every job
    // queued before has run to its end, or to a request the server holds (each of which keeps one work
    // item out, as the backend's client sends them). What the test set up to happen while those requests
    // are out has then happened, however the workers were scheduled. Bounded in real time; answers
    // whether that point was reached.
    bool waitUntilOnlyHeldRequestsRemain(size_t held) {
        if (!server.waitForHeldAnswers(held)) return false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (platform::DispatchQueue::workInFlight() != static_cast<int>(held)) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::yield();
        }
        return true;
    }

    std::vector<testsupport::LoopbackServer::Request> requestsWithMethod(const std::string& method) const {
        std::vector<testsupport::LoopbackServer::Request> found;
        for (const auto& request : server.requests())
            if (request.method == method) found.push_back(request);
        return found;
    }
    static nlohmann::json bodyOf(const testsupport::LoopbackServer::Request& request) {
        return nlohmann::json::parse(request.body, nullptr, false);
    }

    testsupport::LoopbackServer server;
    std::shared_ptr<testsupport::SettableReachability> reachability;
};

}  // namespace recordtests
