#pragma once

#include "app/shell/ShellServices.h"

namespace kestrune {

// The hosted backend client the application delegate starts at launch. Where the backend is and who
// the application is to it come from the environment (KESTRUNE_BACKEND_APPLICATION_ID,
// KESTRUNE_BACKEND_CLIENT_KEY, KESTRUNE_BACKEND_SERVER) or else the bundle's facts ("KestruneBackend"),
// read when this object is made, so that the launch event, which the delegate sends before it
// initialises the client, can go out. The values the delegate passes are not used for that: with
// nothing configured every call fails at once and no record is read or written. The local store flag
// is accepted and has no effect; nothing is retried or queued.
class HostedBackendClient : public HostedBackendService {
public:
    HostedBackendClient();

    void trackAppOpenedWithLaunchOptions() override;
    void initializeWithConfiguration(const HostedBackendConfiguration& configuration) override;
};

}  // namespace kestrune
