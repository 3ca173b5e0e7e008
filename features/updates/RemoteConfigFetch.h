#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Value.h"
#include "platform/net/URLRequest.h"

namespace kestrune {

class RemoteConfigFetch;

// Both called on the main thread.
class RemoteConfigFetchDelegate {
public:
    virtual ~RemoteConfigFetchDelegate() = default;
    // The document's root object, whatever its type.
    virtual void remoteConfigFetch_didFetchDict(RemoteConfigFetch& fetch, const platform::Value& root) = 0;
    virtual void remoteConfigFetch_didFaileToFetchConfigWithError(RemoteConfigFetch& fetch,
                                                                  const std::string& error) = 0;
};

// Reads the configuration document: one HTTP GET that skips every cache, on the global queue, then the
// body as a property list (XML or binary). The result reaches the delegate on the main thread.
class RemoteConfigFetch : public std::enable_shared_from_this<RemoteConfigFetch> {
public:
    static constexpr double kTimeoutInterval = 20.0;
    // The platform's "reload, ignoring local cache data" policy.
    static constexpr int kReloadIgnoringLocalCacheData = 1;

    static std::shared_ptr<RemoteConfigFetch> create();

    std::weak_ptr<RemoteConfigFetchDelegate> delegate;
    // Seconds a request may go without progress; 20 unless a test shortens it.
    double timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

    void fetchConfigFileWithURLString(const std::string& address);
    void fetchConfigFileWithURLString_withDelegate(const std::string& address,
                                                   std::weak_ptr<RemoteConfigFetchDelegate> newDelegate);
    // Hands the root to the delegate on the main queue.
    void didFetchDictionary(platform::Value root);
    // On the main thread at once; from another thread it runs there and waits until it has.
    void didFailWithError(const std::string& error);

    // The request for the address.
    static platform::URLRequest requestWithURLString(const std::string& address, double timeoutInterval);
    struct ParseResult {
        std::optional<platform::Value> root;
        std::string error;  // when there is no root
    };
    // The body of an answer as a property list.
    static ParseResult parseConfigData(const platform::Data& body);

private:
    RemoteConfigFetch() = default;
    void run(const std::string& address);

    double timeoutInterval_ = kTimeoutInterval;
};

}  // namespace kestrune
