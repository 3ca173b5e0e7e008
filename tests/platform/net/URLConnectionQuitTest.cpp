// The quit ends every transfer: one under way ends at once, however long its server holds the answer,
// and one begun later ends before anything is sent. The switch holds for the rest of the process, so
// each test makes it in a child of its own (a death test's), which reports by its exit status.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/base/Quit.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLError.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::URLConnection;
using platform::URLError;
using platform::URLRequest;
using testsupport::LoopbackServer;

using Clock = std::chrono::steady_clock;

// Far longer than any test may take: only the quit can end these transfers in time.
constexpr double kRequestTimeout = 120;
// Ending a cancelled transfer takes its worker a moment; a busy machine under a sanitizer is slow, but
// nothing near the server's hold of a minute, which a transfer that waited for its answer would take.
constexpr double kEndsWithinSeconds = 45;

// Hears how one transfer ends, and lets the test wait for it (bounded).
class Ending : public platform::URLConnectionDelegate {
public:
    void connectionDidFinishLoading(URLConnection&) override { end(std::nullopt); }
    void connection_didFailWithError(URLConnection&, const platform::Error& error) override { end(error); }

    // The error it ended with (none for a success), once it has ended within the time.
    std::optional<std::optional<platform::Error>> waitForEnd(double seconds) {
        std::unique_lock lock(mutex_);
        ended_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return outcome_.has_value(); });
        return outcome_;
    }

private:
    void end(std::optional<platform::Error> error) {
        std::lock_guard lock(mutex_);
        outcome_ = std::move(error);
        ended_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable ended_;
    std::optional<std::optional<platform::Error>> outcome_;
};

bool cancelled(const std::optional<std::optional<platform::Error>>& outcome) {
    return outcome && *outcome && URLError::isCancellation(**outcome);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class URLConnectionQuitTest : public testsupport::KestruneTest {};

TEST_F(URLConnectionQuitTest, TheQuitEndsEveryTransferUnderWayAndEveryLaterOneBeforeItIsSent) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto allEndAsTheQuitSays = [&]() -> bool {
        LoopbackServer server;
        if (!server.start()) return false;
        server.setDefaultAnswer({.status = 200, .held = true});
        // One transfer on a worker, one sent on a thread of its own that waits for it.
        auto heard = std::make_shared<Ending>();
        auto onWorker =
            URLConnection::connectionWithRequest(URLRequest(server.url("/worker"), kRequestTimeout), heard);
        onWorker->start();
        std::optional<URLConnection::SynchronousResult> waited;
        std::thread waiting([&] {
            waited =
                URLConnection::sendSynchronousRequest(URLRequest(server.url("/waiting"), kRequestTimeout));
        });
        if (!server.waitForHeldAnswers(2)) {
            server.stop();
            waiting.join();
            return false;
        }
        const auto quit = Clock::now();
        URLConnection::cancelAllForQuit();
        const bool workerEnded = cancelled(heard->waitForEnd(kEndsWithinSeconds));
        waiting.join();
        const double took = secondsSince(quit);
        const bool waitingEnded = waited && waited->error && URLError::isCancellation(*waited->error);

        // Begun after the quit, in either form: ended before a byte goes out.
        auto later = std::make_shared<Ending>();
        URLConnection::connectionWithRequest(URLRequest(server.url("/later"), kRequestTimeout), later)
            ->start();
        const bool laterEnded = cancelled(later->waitForEnd(kEndsWithinSeconds));
        const auto laterWaited =
            URLConnection::sendSynchronousRequest(URLRequest(server.url("/later-waiting"), kRequestTimeout));
        const bool laterWaitedEnded = laterWaited.error && URLError::isCancellation(*laterWaited.error);
        const size_t heardByServer = server.requestCount();
        server.stop();
        return workerEnded && waitingEnded && took < kEndsWithinSeconds && laterEnded && laterWaitedEnded &&
               heardByServer == 2;
    };
    EXPECT_EXIT(std::_Exit(allEndAsTheQuitSays() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// The quit is a state of the process: a transfer begun once it has begun (the rest of a start-up that a
// quit signal caught) ends before anything is sent, though the application has not yet cancelled every
// transfer on its way out.
TEST_F(URLConnectionQuitTest, ATransferBegunOnceTheQuitHasBegunEndsBeforeItIsSent) {
    LoopbackServer server;
    ASSERT_TRUE(server.start());
    platform::Quit::begin();
    auto heard = std::make_shared<Ending>();
    URLConnection::connectionWithRequest(URLRequest(server.url("/after"), kRequestTimeout), heard)->start();
    const bool ended = cancelled(heard->waitForEnd(kEndsWithinSeconds));
    const auto waited =
        URLConnection::sendSynchronousRequest(URLRequest(server.url("/after"), kRequestTimeout));
    platform::Quit::resetForTesting();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(waited.error && URLError::isCancellation(*waited.error));
    EXPECT_EQ(server.requestCount(), 0u);
}

// The first transfer of a process waits for the transfer library to load and set itself up, over a second
// on a busy machine. A quit that comes then ends it before anything is sent, as one that came before it
// started would: whether the quit has only begun, or has cancelled every transfer under way.
TEST_F(URLConnectionQuitTest, AQuitWhileTheTransferLibraryIsSetUpEndsTheTransferUnsent) {
    struct Restored {
        ~Restored() {
            URLConnection::setAfterSetUpForTesting(nullptr);
            platform::Quit::resetForTesting();
        }
    } restored;
    LoopbackServer server;
    ASSERT_TRUE(server.start());
    URLConnection::setAfterSetUpForTesting([] { platform::Quit::begin(); });
    const auto waited =
        URLConnection::sendSynchronousRequest(URLRequest(server.url("/set-up"), kRequestTimeout));
    EXPECT_TRUE(waited.error && URLError::isCancellation(*waited.error))
        << (waited.error ? waited.error->description : "no error");
    EXPECT_EQ(server.requestCount(), 0u);

    // The application's cancelling of every transfer, which holds for the rest of the process: in a child.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto endsUnsent = [] {
        LoopbackServer cancelledServer;
        if (!cancelledServer.start()) return false;
        URLConnection::setAfterSetUpForTesting([] { URLConnection::cancelAllForQuit(); });
        auto heard = std::make_shared<Ending>();
        URLConnection::connectionWithRequest(URLRequest(cancelledServer.url("/set-up"), kRequestTimeout),
                                             heard)
            ->start();
        const bool ended = cancelled(heard->waitForEnd(kEndsWithinSeconds));
        cancelledServer.stop();
        return ended && cancelledServer.requestCount() == 0;
    };
    EXPECT_EXIT(std::_Exit(endsUnsent() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
