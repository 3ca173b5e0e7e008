#pragma once

#include <memory>
#include <string>

#include "platform/base/Object.h"

namespace kestrune {

// What the application shell asks of the coordinator. The coordinator lives in a higher folder and
// implements this; the shell only forwards life-cycle events and notification clicks to it.
class StateMachineInterface {
public:
    virtual ~StateMachineInterface() = default;
    virtual void applicationDidFinishLoading(bool openSettingsWindow) = 0;
    virtual void dockItemToggled() = 0;
    virtual void applicationWillTerminate() = 0;
    virtual void macWillShutDown() = 0;
    virtual void showFailedLoginWindowWithEntry(std::shared_ptr<platform::Object> entry) = 0;
    virtual void showLockUnlockHistory() = 0;
    virtual void showMainMenu() = 0;
};

// The interface-language service (features), asked once at launch.
class LanguageSetupService {
public:
    virtual ~LanguageSetupService() = default;
    virtual void setupInitialLanguageIfNeeded() = 0;
};

// The photo service (features): where the last photo shared with the user is.
class MugShotPathService {
public:
    virtual ~MugShotPathService() = default;
    virtual std::string mugShotFilePathInDocuments() = 0;
};

// The hosted backend client, started at launch.
struct HostedBackendConfiguration {
    std::string applicationId;
    std::string clientKey;
    std::string server;
    bool localDatastoreEnabled = false;
};

class HostedBackendService {
public:
    virtual ~HostedBackendService() = default;
    virtual void trackAppOpenedWithLaunchOptions() = 0;
    virtual void initializeWithConfiguration(const HostedBackendConfiguration& configuration) = 0;
};

// Starts the reporting kit (crash reports and usage analytics). The kit is outside the application's
// folders; the program's entry wires it.
class ReportingKitService {
public:
    virtual ~ReportingKitService() = default;
    virtual void startReportingKit() = 0;
};

}  // namespace kestrune
