#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/base/RunLoop.h"

namespace platform {

// An update the feed offers.
struct UpdateItem {
    std::string version;
    std::string downloadURL;
};

class SoftwareUpdater;

// What the engine asks and tells its host, on the main thread. The defaults let every check run and
// relaunch at once.
class SoftwareUpdaterDelegate {
public:
    using Invocation = std::function<void()>;

    virtual ~SoftwareUpdaterDelegate() = default;
    virtual bool updaterMayCheckForUpdates(SoftwareUpdater&) { return true; }
    virtual void updaterDidNotFindUpdate(SoftwareUpdater&) {}
    virtual void updater_didFindValidUpdate(SoftwareUpdater&, const UpdateItem&) {}
    // The update is downloaded and will be installed when the application quits; invoking the
    // invocation installs it now and relaunches.
    virtual void updater_willInstallUpdateOnQuit_immediateInstallationInvocation(SoftwareUpdater&,
                                                                                 const UpdateItem&,
                                                                                 Invocation) {}
    virtual void updater_didCancelInstallUpdateOnQuit(SoftwareUpdater&, const UpdateItem&) {}
    virtual bool updaterShouldRelaunchApplication(SoftwareUpdater&) { return true; }
    // True keeps the relaunch until the host invokes the invocation.
    virtual bool updater_shouldPostponeRelaunchForUpdate_untilInvoking(SoftwareUpdater&, const UpdateItem&,
                                                                       Invocation) {
        return false;
    }
    virtual void updater_didAbortWithError(SoftwareUpdater&, const Error&) {}
    virtual void updater_willInstallUpdate(SoftwareUpdater&, const UpdateItem&) {}
    virtual void updaterWillRelaunchApplication(SoftwareUpdater&) {}
};

// The software-update engine. It reads its feed (a property list of ours: a dictionary with "version",
// the newest version, and "url", where it is downloaded) over HTTP from its feed address, else from the
// user default "SUFeedURL"; compares the version with the application's; and tells its delegate what it
// found. Downloading and installing are simulated here (they are logged): a downloaded update waits to be
// installed on quit or at once, after which the application is relaunched by the engine's relaunch tool.
// With automatic checks on, it checks in the background once at once and then daily. Used on the main
// thread; the feed is read on the global queue.
class SoftwareUpdater : public std::enable_shared_from_this<SoftwareUpdater> {
public:
    static constexpr const char* kFeedURLKey = "SUFeedURL";
    static constexpr const char* kErrorDomain = "SoftwareUpdater";
    enum ErrorCode : int64_t { kNoFeedURL = 1, kFeedUnreadable = 2, kFeedRefused = 3 };
    static constexpr double kFeedTimeoutInterval = 30.0;
    static constexpr double kScheduledCheckInterval = 86400.0;

    // The engine of this process.
    static std::shared_ptr<SoftwareUpdater> sharedUpdater();
    // An engine whose own files (its helper tools) are in the folder.
    static std::shared_ptr<SoftwareUpdater> create(std::string engineBundlePath);
    // The folder of the engine's files within the application's resources.
    static std::string defaultEngineBundlePath();
    virtual ~SoftwareUpdater();
    SoftwareUpdater(const SoftwareUpdater&) = delete;
    SoftwareUpdater& operator=(const SoftwareUpdater&) = delete;

    // The feed address set, else the user default; none when neither is there.
    virtual std::optional<std::string> feedURL() const;
    virtual void setFeedURL(const std::string& url);
    virtual std::string userAgentString() const { return userAgent_; }
    virtual void setUserAgentString(const std::string& userAgent) { userAgent_ = userAgent; }
    virtual void setDelegate(std::weak_ptr<SoftwareUpdaterDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    virtual bool automaticallyChecksForUpdates() const { return automaticallyChecks_; }
    virtual void setAutomaticallyChecksForUpdates(bool automatically);
    virtual bool automaticallyDownloadsUpdates() const { return automaticallyDownloads_; }
    virtual void setAutomaticallyDownloadsUpdates(bool automatically) {
        automaticallyDownloads_ = automatically;
    }

    // A check the user asked for: a found update is downloaded. `sender` is whoever asked.
    virtual void checkForUpdates(const void* sender);
    // A check of its own: a found update is downloaded only with automatic downloads on.
    virtual void checkForUpdatesInBackground();
    // A check runs, or a downloaded update waits to be installed.
    virtual bool updateInProgress() const { return inProgress_; }

    // The engine's helper tool of that name; none when the engine's folder has none.
    std::optional<std::string> pathForHelper(const std::string& name) const;
    // Copies the relaunch tool into the temporary folder (over an older copy) and starts the copy with
    // the application's path and this process's identifier; false (with a log line) when it could not
    // be copied or started.
    static bool launchRelaunchTool(const std::string& toolPath, const std::string& applicationPath);

    // The feed's offer; none for a feed that is no property list, has no dictionary at its root or no
    // version of dotted numbers in it (another version is logged).
    static std::optional<UpdateItem> parseFeed(const Data& feed);
    // Digits in groups joined by single dots: "3", "1.0.10"; not "", "1.", "latest" or "1.2.3-beta".
    static bool isDottedVersion(const std::string& version);
    // Dotted versions compared number by number (missing parts count as 0); negative, 0 or positive.
    static int compareVersions(const std::string& version, const std::string& other);

protected:
    explicit SoftwareUpdater(std::string engineBundlePath) : engineBundlePath_(std::move(engineBundlePath)) {}

private:
    void check(bool userInitiated);
    void didReadFeed(bool userInitiated, std::optional<Data> body, std::optional<Error> error, int status);
    void abort(const Error& error);
    void download(const UpdateItem& item);
    void downloaded(const UpdateItem& item);
    void installAndRelaunch(const UpdateItem& item);
    void relaunchApplication();
    void scheduleCheck(double delay);
    std::shared_ptr<SoftwareUpdaterDelegate> delegate() const { return delegate_.lock(); }

    const std::string engineBundlePath_;
    std::optional<std::string> feedURL_;
    std::string userAgent_;
    std::weak_ptr<SoftwareUpdaterDelegate> delegate_;
    bool automaticallyChecks_ = false;
    bool automaticallyDownloads_ = false;
    bool inProgress_ = false;
    std::optional<UpdateItem> waitingForQuit_;
    std::shared_ptr<Timer> scheduledCheck_;
};

}  // namespace platform
