#include "app/remote/HostedBackendClient.h"

#include "platform/backend/BackendAnalytics.h"
#include "platform/backend/BackendClient.h"
#include "platform/base/Log.h"

namespace kestrune {

void HostedBackendClient::trackAppOpenedWithLaunchOptions() {
    if (!platform::BackendClient::isConfigured()) {
        appOpenedHeld_ = true;
        return;
    }
    platform::BackendAnalytics::trackAppOpenedWithLaunchOptions({});
}

void HostedBackendClient::initializeWithConfiguration(const HostedBackendConfiguration& configuration) {
    bool held = appOpenedHeld_;
    appOpenedHeld_ = false;
    auto found = platform::BackendClient::configurationFromEnvironmentOrBundle();
    if (!found) {
        platform::logf(
            "Hosted backend: not configured (no application id, client key and server in the environment "
            "or the bundle); no record read or written");
        return;
    }
    found->localDatastoreEnabled = configuration.localDatastoreEnabled;
    platform::BackendClient::initializeWithConfiguration(*found);
    if (held) platform::BackendAnalytics::trackAppOpenedWithLaunchOptions({});
}

}  // namespace kestrune
