#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"

namespace platform {

// One HTTP(S) transfer on libcurl with OpenSSL. start() runs it on the queue for work that waits on the
// outside world (DispatchQueue::waitingOnTheOutside; it blocks a worker of that queue while it lasts);
// events reach the delegate on that worker. The connection keeps its delegate until it
// has reported the end, as the transfer needs it until then.
//
// Time-outs: the request's timeoutInterval bounds the connection set-up and every stretch without
// progress, and its maximumDuration the whole transfer. The answer's body may hold at most the request's
// maximumResponseLength. Redirects (at most 16) are followed only to the same origin and with the same
// method, header fields and body; any other redirect fails with URLError::RedirectRefused.
class URLConnection : public std::enable_shared_from_this<URLConnection> {
public:
    static std::shared_ptr<URLConnection> connectionWithRequest(
        URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate);

    // Starts the transfer; later calls do nothing.
    void start();
    // Stops the transfer. Unless it had already ended, the delegate then hears
    // connection_didFailWithError with URLError::Cancelled, so whoever waits on it is always answered.
    void cancel();

    const URLRequest& originalRequest() const { return request_; }

    struct SynchronousResult {
        std::optional<Data> data;  // none when no byte arrived
        std::optional<HTTPURLResponse> response;
        std::optional<Error> error;
    };
    // Lets another thread stop synchronous sends: cancel() stops the send under way, if any, and every
    // send given it afterwards, each then answered with URLError::Cancelled. It outlives those sends.
    class SynchronousCancellation {
    public:
        void cancel();
        bool isCancelled() const;

    private:
        friend class URLConnection;
        mutable std::mutex mutex_;
        bool cancelled_ = false;            // guarded by mutex_
        URLConnection* running_ = nullptr;  // guarded by mutex_: the send under way
    };
    // Runs the transfer on the calling thread and answers once it has ended.
    static SynchronousResult sendSynchronousRequest(
        const URLRequest& request, std::shared_ptr<URLConnectionDelegate> trustDelegate = nullptr,
        SynchronousCancellation* cancellation = nullptr);

    // The process is quitting: every transfer under way, synchronous or not, is cancelled now, and every
    // one that begins later is cancelled as it begins, before anything is sent. Each ends as cancel()
    // ends it, so whoever waits on one is answered at once. The quit waits for the workers to finish what
    // they hold, and a worker waiting on a server that never answers would hold it for good; ending the
    // process would end these transfers in any case. Any thread; for good.
    static void cancelAllForQuit();

    // Tests: a function each transfer runs once the transfer library is set up (loaded and initialised,
    // the handles made), just before its request goes out; none to run none. The window a quit may come in
    // while the first transfer of a process waits for that set-up.
    static void setAfterSetUpForTesting(std::function<void()> hook);

    URLConnection(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate);
    ~URLConnection();
    URLConnection(const URLConnection&) = delete;
    URLConnection& operator=(const URLConnection&) = delete;

private:
    struct Transfer;
    friend struct Transfer;

    void run();

    const URLRequest request_;
    std::shared_ptr<URLConnectionDelegate> delegate_;  // touched by the transfer's thread only
    std::atomic<bool> started_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex wakeMutex_;
    void* multi_ = nullptr;  // guarded by wakeMutex_: the running transfer's handle, to wake it on cancel
};

}  // namespace platform
