#pragma once

#include "app/shell/ShellServices.h"

namespace kestrune {

// The hosted backend client the application delegate starts at launch. Nothing is read or sent when
// this object is made: the delegate first records the launch event and then initialises the client,
// and the client is configured only then. Where the backend is and who the application is to it come
// from the environment (KESTRUNE_BACKEND_APPLICATION_ID, KESTRUNE_BACKEND_CLIENT_KEY,
// KESTRUNE_BACKEND_SERVER) or else the bundle's facts ("KestruneBackend"), read at initialisation; the
// values the delegate passes are not used for that, only their local store flag (accepted, without
// effect). A launch event recorded before the client is configured is held and goes out once it is;
// with nothing configured it is dropped and every call fails at once, no record read or written.
class HostedBackendClient : public HostedBackendService {
public:
    void trackAppOpenedWithLaunchOptions() override;
    void initializeWithConfiguration(const HostedBackendConfiguration& configuration) override;

private:
    bool appOpenedHeld_ = false;
};

}  // namespace kestrune
