#pragma once

#include <memory>

#include "features/updates/ConfigFile.h"
#include "features/updates/EventAutomaticTriggerer.h"
#include "features/updates/RemoteConfigFetch.h"

namespace kestrune {

// Keeps the remote configuration (the newest application versions) fresh: fetches it when asked and
// from time to time, as its triggerer allows, keeps the last values, and announces each fetched
// document with "notificationConfigFetched" (the checker as sender). A failed fetch keeps the last
// values. Main thread, but for the configuration, which any thread may read.
class RemoteChecker : public EventAutomaticTriggererDelegate,
                      public RemoteConfigFetchDelegate,
                      public std::enable_shared_from_this<RemoteChecker> {
public:
    static constexpr const char* kNotificationConfigFetched = "notificationConfigFetched";

    // Made with its fetcher and triggerer, and a check started at once when the Mac is awake and online.
    static std::shared_ptr<RemoteChecker> create();

    const std::shared_ptr<ConfigFile>& configFile() const { return configFile_; }
    const std::shared_ptr<RemoteConfigFetch>& configFetch() const { return configFetch_; }
    const std::shared_ptr<EventAutomaticTriggerer>& automaticTrigger() const { return automaticTrigger_; }

    // Takes both versions of a document whose root is a dictionary (a version that is not a text of dotted
    // numbers counts as missing, with a log line); any other root is refused and leaves the configuration
    // as it was.
    static bool readConfiguration(const platform::Value& root, ConfigFile& into);

    void fetchConfigWhenPossible();
    // A configuration naming the phone application's version has been fetched.
    bool didFetchConfigAtLeastOnce() const;
    const std::shared_ptr<ConfigFile>& fetchedConfig() const { return configFile_; }

    // EventAutomaticTriggererDelegate
    void eventAutomaticTriggererShouldCheckUpdate(EventAutomaticTriggerer& triggerer) override;
    // RemoteConfigFetchDelegate
    void remoteConfigFetch_didFetchDict(RemoteConfigFetch& fetch, const platform::Value& root) override;
    void remoteConfigFetch_didFaileToFetchConfigWithError(RemoteConfigFetch& fetch,
                                                          const std::string& error) override;

private:
    RemoteChecker() = default;

    std::shared_ptr<ConfigFile> configFile_;
    std::shared_ptr<RemoteConfigFetch> configFetch_;
    std::shared_ptr<EventAutomaticTriggerer> automaticTrigger_;
    // A fetch is on its way: a second request meanwhile would only fetch the same document again.
    bool fetching_ = false;
};

}  // namespace kestrune
