// When the application's life-cycle notifications are posted: becoming active (a window or the panel
// brought forward), resigning (the last window gone, another application put in front by the desktop)
// and terminating, each in its order with the delegate's calls and once per change, with the desktop's
// front application following.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "platform/system/WindowServer.h"
#include "platform/system/Workspace.h"
#include "tests/support/ui/Fixture.h"

namespace {

using platform::Notification;

// The life-cycle names, the delegate's calls and the desktop's front changes, in one order.
class LifecycleRecorder : public platform::ApplicationDelegate {
public:
    LifecycleRecorder() {
        auto& center = platform::NotificationCenter::defaultCenter();
        for (const char* name : {platform::kApplicationWillBecomeActiveNotification,
                                 platform::kApplicationDidBecomeActiveNotification,
                                 platform::kApplicationWillResignActiveNotification,
                                 platform::kApplicationDidResignActiveNotification,
                                 platform::kApplicationWillTerminateNotification})
            observations_.push_back(center.addObserver(name, nullptr, [this](const Notification& n) {
                const bool fromApplication = n.sender == &platform::Application::shared();
                record(n.name + (platform::isMainThread() && fromApplication ? "" : " (elsewhere)"));
            }));
        observations_.push_back(platform::Workspace::shared().notificationCenter().addObserver(
            platform::kWorkspaceDidActivateApplicationNotification, nullptr, [this](const Notification& n) {
                std::shared_ptr<platform::RunningApplication> application;
                if (const auto* info = n.userInfo.dictionary()) {
                    auto found = info->find(platform::kWorkspaceApplicationKey);
                    if (found != info->end())
                        application =
                            std::dynamic_pointer_cast<platform::RunningApplication>(found->second.object());
                }
                record("front " + (application ? application->bundleIdentifier() : "?"));
            }));
    }

    void applicationWillResignActive(platform::Application&) override { record("delegate resigns"); }
    TerminateReply applicationShouldTerminate(platform::Application&) override { return reply; }
    void applicationWillTerminate(platform::Application&) override { record("delegate terminates"); }

    std::vector<std::string> take() { return std::exchange(events_, {}); }

    TerminateReply reply = TerminateReply::Now;

private:
    void record(std::string event) { events_.push_back(std::move(event)); }
    std::vector<std::string> events_;
    std::vector<platform::NotificationCenter::Observation> observations_;
};

class ApplicationLifecycleTest : public platform::ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        session = platform::SimulatedSession::create(home() + "/session");
        session->install();
        recorder = std::make_unique<LifecycleRecorder>();
        platform::Application::shared().setDelegate(recorder.get());
    }
    void TearDown() override {
        platform::Application::shared().setDelegate(nullptr);
        recorder.reset();
        platform::SimulatedSession::uninstall();
        session.reset();
        Fixture::TearDown();
    }
    bool active() const { return platform::ui::Application::shared().isActive(); }

    const std::string own = platform::Bundle::main().bundleIdentifier();
    std::shared_ptr<platform::SimulatedSession> session;
    std::unique_ptr<LifecycleRecorder> recorder;
};

const std::vector<std::string> kBecomes = {"NSApplicationWillBecomeActiveNotification",
                                           "NSApplicationDidBecomeActiveNotification"};

TEST_F(ApplicationLifecycleTest, ActivationAndResigningArePostedOncePerChangeAndTheDesktopFollows) {
    ASSERT_FALSE(own.empty());
    auto& ui = platform::ui::Application::shared();
    EXPECT_FALSE(active());

    // A window brought forward: the pair once, then the desktop announces this application in front.
    auto first = window();
    EXPECT_TRUE(active());
    EXPECT_EQ(recorder->take(), kBecomes);
    settle();
    EXPECT_EQ(recorder->take(), std::vector<std::string>{"front " + own});
    EXPECT_EQ(session->frontApplication(), "Kestrune");

    // Asking again while active counts, and posts nothing; nor does a second window.
    ui.activateIgnoringOtherApps(true);
    auto second = window({500, 100, 200, 200});
    EXPECT_EQ(platform::Application::shared().activationCount(), 3);
    second->close();
    settle();
    EXPECT_EQ(recorder->take(), std::vector<std::string>{});
    EXPECT_TRUE(active());

    // The last window closes: the resign pair around the delegate's call, and the front goes back.
    first->close();
    EXPECT_FALSE(active());
    EXPECT_EQ(recorder->take(),
              (std::vector<std::string>{"NSApplicationWillResignActiveNotification", "delegate resigns",
                                        "NSApplicationDidResignActiveNotification"}));
    settle();
    EXPECT_EQ(recorder->take(), std::vector<std::string>{"front com.apple.finder"});
    EXPECT_EQ(session->frontApplication(), "Finder");
    ui.deactivate();
    EXPECT_EQ(recorder->take(), std::vector<std::string>{});

    // A window-less activation (the panel's way), then the desktop puts another application in front:
    // it resigns once the desktop has announced it, without handing the front back.
    ui.activateIgnoringOtherApps(false);
    settle();
    EXPECT_EQ(recorder->take(), (std::vector<std::string>{kBecomes[0], kBecomes[1], "front " + own}));
    session->setFrontApplication("TextEdit", "com.apple.TextEdit");
    EXPECT_TRUE(active());
    settle();
    EXPECT_FALSE(active());
    EXPECT_EQ(recorder->take(), (std::vector<std::string>{
                                    "front com.apple.TextEdit", "NSApplicationWillResignActiveNotification",
                                    "delegate resigns", "NSApplicationDidResignActiveNotification"}));
    EXPECT_EQ(session->frontApplication(), "TextEdit");

    // Brought forward again before the desktop announced another application: it stays active, and the
    // application it took the front from is the one it gets back.
    session->setFrontApplication("Mail", "com.apple.mail");
    ui.activateIgnoringOtherApps(true);
    settle();
    EXPECT_TRUE(active());
    EXPECT_EQ(recorder->take(),
              (std::vector<std::string>{kBecomes[0], kBecomes[1], "front com.apple.mail", "front " + own}));
    // The desktop naming this application itself is no other application in front.
    session->setFrontApplication("Kestrune (again)", own);
    settle();
    EXPECT_TRUE(active());
    EXPECT_EQ(recorder->take(), std::vector<std::string>{"front " + own});
    ui.deactivate();
    settle();
    EXPECT_EQ(recorder->take(),
              (std::vector<std::string>{"NSApplicationWillResignActiveNotification", "delegate resigns",
                                        "NSApplicationDidResignActiveNotification", "front com.apple.mail"}));
}

// System Preferences quit by the application's script leaves the front to the Finder, and does not get it
// back when the application resigns.
TEST_F(ApplicationLifecycleTest, QuitSystemPreferencesNeitherKeepsNorGetsBackTheFront) {
    const std::vector<std::string> quit = {"-c",
                                           "osascript -e 'tell application \"System Preferences\" to quit'"};
    for (bool overIt : {true, false}) {
        session->setFrontApplication("System Preferences");
        settle();
        if (overIt) platform::ui::Application::shared().activateIgnoringOtherApps(true);
        ASSERT_TRUE(session->respond("/bin/sh", quit, ""));
        platform::ui::Application::shared().deactivate();
        settle();
        EXPECT_EQ(session->frontApplication(), "Finder") << overIt;
    }
}

TEST_F(ApplicationLifecycleTest, WillTerminateComesOnTheMainThreadBeforeTheDelegateAndOnlyWhenItQuits) {
    auto& application = platform::Application::shared();
    // The delegate refuses: nothing is announced.
    recorder->reply = platform::ApplicationDelegate::TerminateReply::Cancel;
    application.terminate();
    EXPECT_EQ(recorder->take(), std::vector<std::string>{});
    EXPECT_FALSE(application.isTerminated());

    // Asked from another thread (a signal's, an updater's): it happens on the main thread, once.
    recorder->reply = platform::ApplicationDelegate::TerminateReply::Now;
    std::thread([&application] { application.terminate(); }).join();
    EXPECT_FALSE(application.isTerminated());
    EXPECT_EQ(recorder->take(), std::vector<std::string>{});
    settle();
    EXPECT_TRUE(application.isTerminated());
    EXPECT_EQ(recorder->take(),
              (std::vector<std::string>{"NSApplicationWillTerminateNotification", "delegate terminates"}));
    application.terminate();
    EXPECT_EQ(recorder->take(), std::vector<std::string>{});
}

// An observer that asks for the change it is being told of (a window made key while the application
// becomes active, a quit handler that quits) asks for the change under way: each is announced once.
TEST_F(ApplicationLifecycleTest, AChangeAskedForAgainByItsObserversIsAnnouncedOnce) {
    auto& application = platform::Application::shared();
    auto& center = platform::NotificationCenter::defaultCenter();
    int asked = 0;  // bounded, so that the fault shows as extra announcements rather than a stack overflow
    auto again = [&](void (*request)(platform::Application&)) {
        return [&asked, request, &application](const Notification&) {
            if (++asked < 10) request(application);
        };
    };
    auto onBecome = center.addObserver(platform::kApplicationWillBecomeActiveNotification, nullptr,
                                       again([](auto& a) { a.activateIgnoringOtherApps(true); }));
    auto onResign = center.addObserver(platform::kApplicationWillResignActiveNotification, nullptr,
                                       again([](auto& a) { a.deactivate(); }));
    auto onTerminate = center.addObserver(platform::kApplicationWillTerminateNotification, nullptr,
                                          again([](auto& a) { a.terminate(); }));
    application.activateIgnoringOtherApps(true);
    application.deactivate();
    application.terminate();
    EXPECT_FALSE(active());
    EXPECT_TRUE(application.isTerminated());
    EXPECT_EQ(recorder->take(),
              (std::vector<std::string>{kBecomes[0], kBecomes[1], "NSApplicationWillResignActiveNotification",
                                        "delegate resigns", "NSApplicationDidResignActiveNotification",
                                        "NSApplicationWillTerminateNotification", "delegate terminates"}));
    EXPECT_EQ(asked, 3);
}

}  // namespace

namespace {

// Work that holds the main thread hears of a signal's quit at once, on the signal's thread, while the
// request itself waits for the main loop; each handler once, a removed one never, and one added after
// the request at once.
TEST_F(ApplicationLifecycleTest, ASignalsQuitReachesTheTerminationRequestHandlersBeforeTheMainLoop) {
    auto& application = platform::Application::shared();
    std::vector<std::string> heard;
    std::thread::id ranOn;
    const uint64_t kept = platform::Application::addTerminationRequestHandler([&] {
        heard.push_back(application.isTerminated() ? "kept, after the quit" : "kept");
        ranOn = std::this_thread::get_id();
    });
    const uint64_t removed =
        platform::Application::addTerminationRequestHandler([&] { heard.push_back("removed"); });
    EXPECT_NE(kept, removed);
    platform::Application::removeTerminationRequestHandler(removed);
    EXPECT_EQ(platform::Application::addTerminationRequestHandler(nullptr), 0u);

    std::thread signalThread([&application] { application.terminateForSignal(SIGTERM); });
    const std::thread::id signalThreadId = signalThread.get_id();
    signalThread.join();
    EXPECT_EQ(heard, std::vector<std::string>{"kept"});
    EXPECT_EQ(ranOn, signalThreadId);
    EXPECT_FALSE(application.isTerminated());
    EXPECT_EQ(platform::Application::terminationSignal(), SIGTERM);

    // Added once the request has come: at once, on the adding thread, and kept nowhere.
    const uint64_t late =
        platform::Application::addTerminationRequestHandler([&] { heard.push_back("late"); });
    EXPECT_EQ(late, 0u);
    EXPECT_EQ(heard, (std::vector<std::string>{"kept", "late"}));

    // A second signal runs none of them again; the main loop then quits, as it always did.
    application.terminateForSignal(SIGINT);
    settle();
    EXPECT_TRUE(application.isTerminated());
    EXPECT_EQ(heard, (std::vector<std::string>{"kept", "late"}));
    platform::Application::removeTerminationRequestHandler(kept);
    application.resetForTesting();

    // A fresh state has had no request: a handler waits for the next one again.
    const uint64_t next =
        platform::Application::addTerminationRequestHandler([&] { heard.push_back("next"); });
    EXPECT_NE(next, 0u);
    EXPECT_EQ(heard.size(), 2u);
    platform::Application::removeTerminationRequestHandler(next);
}

}  // namespace
