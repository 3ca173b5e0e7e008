#include "app/remote/HostedBackendClient.h"

#include "platform/backend/BackendAnalytics.h"
#include "platform/backend/BackendClient.h"
#include "platform/base/Log.h"

namespace kestrune {

HostedBackendClient::HostedBackendClient() {
    if (auto configuration = platform::BackendClient::configurationFromEnvironmentOrBundle())
        platform::BackendClient::initializeWithConfiguration(*configuration);
    else
        platform::logf(
            "Hosted backend: not configured (no application id, client key and server in the environment "
            "or the bundle); no record read or written");
}

void HostedBackendClient::trackAppOpenedWithLaunchOptions() {
    platform::BackendAnalytics::trackAppOpenedWithLaunchOptions({});
}

void HostedBackendClient::initializeWithConfiguration(const HostedBackendConfiguration& configuration) {
    auto current = platform::BackendClient::currentConfiguration();
    if (!current) return;
    current->localDatastoreEnabled = configuration.localDatastoreEnabled;
    platform::BackendClient::initializeWithConfiguration(*current);
}

}  // namespace kestrune
