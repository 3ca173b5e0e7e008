#include "platform/storage/FileEvents.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

using namespace platform;

namespace {

class FileEventsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        path = home() + "/watched.log";
        append("first\n");
    }
    void TearDown() override {
        FileEventSource::cancelAllForTesting();
        runUntilIdle();
        KestruneTest::TearDown();
    }
    void append(const char* text) {
        FILE* f = fopen(path.c_str(), "a");
        ASSERT_NE(f, nullptr);
        fputs(text, f);
        fclose(f);
    }
    // A resumed source on the file whose handler records the kinds of change.
    std::shared_ptr<FileEventSource> watch() {
        int fd = openForEventsOnly(path);
        EXPECT_GE(fd, 0);
        auto source = FileEventSource::create(fd, kFileEventAll, DispatchQueue::global());
        std::weak_ptr<FileEventSource> weak = source;
        source->setEventHandler([this, weak] {
            auto s = weak.lock();
            std::lock_guard lock(mutex);
            seen.push_back(s ? s->data() : 0);
        });
        source->setCancelHandler([this, fd] {
            ::close(fd);
            ++cancels;
        });
        source->resume();
        return source;
    }
    // Lets every change reported so far run its handler.
    void settle() {
        FileEventSource::deliverPendingEventsForTesting();
        runUntilIdle();
    }
    std::vector<uint32_t> events() {
        std::lock_guard lock(mutex);
        return seen;
    }

    std::string path;
    std::mutex mutex;
    std::vector<uint32_t> seen;
    std::atomic<int> cancels{0};
};

}  // namespace

TEST_F(FileEventsTest, EachKindOfChangeReachesTheHandlerOnce) {
    struct Case {
        const char* what;
        std::function<void()> change;
        uint32_t kind;
    } cases[] = {
        {"append", [&] { append("more\n"); }, kFileEventWrite},
        {"truncate", [&] { ASSERT_EQ(truncate(path.c_str(), 0), 0); }, kFileEventWrite},
        {"mode", [&] { ASSERT_EQ(chmod(path.c_str(), 0600), 0); }, kFileEventAttrib},
        {"rename", [&] { ASSERT_TRUE(Files::move(path, path + ".1")); }, kFileEventRename},
        {"remove", [&] { ASSERT_EQ(::unlink(path.c_str()), 0); }, kFileEventDelete},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        append("x\n");
        auto source = watch();
        settle();
        EXPECT_TRUE(events().empty());
        c.change();
        settle();
        auto got = events();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_NE(got[0] & c.kind, 0u) << std::hex << got[0];
        source->cancel();
        FileEventSource::cancelAllForTesting();
        runUntilIdle();
        std::lock_guard lock(mutex);
        seen.clear();
    }
}

TEST_F(FileEventsTest, CancelStopsEventsAndRunsTheCancelHandlerOnce) {
    auto source = watch();
    source->cancel();
    source->cancel();
    FileEventSource::cancelAllForTesting();
    runUntilIdle();
    EXPECT_EQ(cancels.load(), 1);
    EXPECT_TRUE(source->isCancelled());
    append("after\n");
    settle();
    EXPECT_TRUE(events().empty());

    // A source that never ran is cancelled the same way.
    int fd = openForEventsOnly(path);
    ASSERT_GE(fd, 0);
    auto idle = FileEventSource::create(fd, kFileEventAll, DispatchQueue::global());
    idle->setCancelHandler([this, fd] {
        ::close(fd);
        ++cancels;
    });
    idle->cancel();
    runUntilIdle();
    EXPECT_EQ(cancels.load(), 2);
}

TEST(FileEventsOpen, AMissingFileCannotBeWatched) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(openForEventsOnly("/nonexistent/kestrune/file.log"), -1);
    testing::internal::GetCapturedStderr();
}
