#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace platform {

class Application;
class Exception;

// What the application object asks of its delegate, in the order it asks.
class ApplicationDelegate {
public:
    enum class TerminateReply { Cancel, Now, Later };
    virtual ~ApplicationDelegate() = default;
    virtual void applicationWillFinishLaunching(Application&) {}
    virtual void applicationDidFinishLaunching(Application&) {}
    virtual bool applicationShouldHandleReopen_hasVisibleWindows(Application&, bool) { return true; }
    virtual bool applicationShouldTerminateAfterLastWindowClosed(Application&) { return false; }
    virtual TerminateReply applicationShouldTerminate(Application&) { return TerminateReply::Now; }
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationWillTerminate(Application&) {}
};

// The application's life cycle around the main run loop: launch, reopen (a Dock click), quitting
// (a quit request, SIGINT or SIGTERM), the activation policy and attention requests of its Dock icon.
// There is no Dock here: the icon's state is kept and logged so that it can be observed.
class Application {
public:
    enum class ActivationPolicy { Regular, Accessory, Prohibited };
    enum class RequestUserAttentionType { Critical, Informational };

    static Application& shared();

    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }
    ApplicationDelegate* delegate() const { return delegate_; }

    // Records the arguments, finishes launching (the delegate's two launch calls), then runs the main
    // run loop until the application terminates. Answers the process's exit status.
    int run(int argc, char** argv);
    // Launch steps only (tests drive the run loop themselves).
    void finishLaunching();

    // Asks the delegate, and when it agrees ends the main run loop after applicationWillTerminate.
    void terminate();
    bool isTerminated() const { return terminated_; }
    // SIGINT and SIGTERM become a terminate request on the main run loop.
    void installTerminationSignalHandlers();
    // The last of those signals received, 0 when none: a run that must end otherwise when stopped by one
    // (a scenario's exit status) asks once the application has terminated.
    static int terminationSignal() { return terminationSignal_.load(); }

    // A click on the Dock icon while running.
    void reopen(bool hasVisibleWindows);
    // The last window closed: terminates when the delegate asks for it.
    void lastWindowDidClose();

    ActivationPolicy activationPolicy() const { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy);
    int requestUserAttention(RequestUserAttentionType type);
    void cancelUserAttentionRequest(int request);
    bool isRequestingAttention() const { return attentionRequest_ != 0; }
    void activateIgnoringOtherApps(bool flag);
    int activationCount() const { return activations_; }

    // An exception that reached the top level. The implementation can be replaced (the crash kit
    // records the exception first); the default logs it and, when the standard defaults say
    // "NSApplicationCrashOnExceptions", aborts.
    using ReportExceptionImplementation = void (*)(Application&, const Exception&);
    void reportException(const Exception& exception);
    // Installs an implementation and answers the one it replaces.
    ReportExceptionImplementation replaceReportException(ReportExceptionImplementation implementation);
    ReportExceptionImplementation reportExceptionImplementation() const { return reportException_.load(); }
    static void defaultReportException(Application& application, const Exception& exception);

    // Tests: a fresh application state.
    void resetForTesting();

private:
    Application() = default;
    ApplicationDelegate* delegate_ = nullptr;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
    int attentionRequest_ = 0;
    int nextAttentionRequest_ = 1;
    int activations_ = 0;
    std::atomic<bool> terminated_{false};
    // Kept apart from the object: the waiting thread may still take a signal while the process exits.
    static inline std::atomic<int> terminationSignal_{0};
    std::atomic<ReportExceptionImplementation> reportException_{&Application::defaultReportException};
};

}  // namespace platform
