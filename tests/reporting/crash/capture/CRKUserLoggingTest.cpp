#include "reporting/crash/capture/CRKUserLogging.h"

#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;

class CRKUserLoggingTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        flush();
        CRKUserLoggingResetForTesting();
        CRKContextResetForTesting();
        KestruneTest::TearDown();
    }

    void start(uint32_t logBufferSize = 65536, uint32_t maxCustomExceptions = 16,
               uint32_t maxCustomKeys = 16) {
        root_ = home() + "/run";
        mkdir(root_.c_str(), 0700);
        CRKContextHooks hooks;
        hooks.startUserLogging = CRKUserLoggingInit;
        hooks.debuggerAttached = [] { return true; };
        CRKContextSetHooks(hooks);
        CRKContextInitData data;
        data.rootPath = root_.c_str();
        data.logBufferSize = logBufferSize;
        data.maxCustomExceptions = maxCustomExceptions;
        data.customExceptionsEnabled = true;
        data.maxCustomKeys = maxCustomKeys;
        ASSERT_TRUE(CRKContextInitialize(&data));
        ASSERT_TRUE(CRKContextIsInitialized());
    }

    // Waits for the swaps and compactions queued behind the writes.
    static void flush() {
        if (CRKSharedContext().loggingQueue) CRKSharedContext().loggingQueue->sync([] {});
    }

    size_t sectionCount(const std::string& name) const {
        const auto sections = CRKFileReadSections((root_ + "/" + name).c_str(), false);
        return sections ? sections->size() : 0;
    }
    bool exists(const std::string& name) const { return access((root_ + "/" + name).c_str(), F_OK) == 0; }
    static Value::Dictionary userKeys() {
        return CRKUserLoggingGetCompactedKVEntries(CRKSharedContext().readonly->userKVStorage, true);
    }
    static void setKey(const std::string& key, const Value& value) {
        CRKUserLoggingRecordUserKeyValue(Value(key), value);
    }

    std::string root_;
};

TEST_F(CRKUserLoggingTest, TheWriteThatFillsTheLogStaysAndTheNextGoesToAnEmptiedSecondFile) {
    start(100);
    // Leftovers of an earlier alternation are emptied when the B file becomes current.
    {
        CRKFile stale;
        ASSERT_TRUE(CRKFileInitWithPath(&stale, (root_ + "/log_b.crkrecord").c_str(), false));
        CRKFileWriteSectionStart(&stale, "log");
        CRKFileWriteHashStart(&stale);
        CRKFileWriteHashEnd(&stale);
        CRKFileWriteSectionEnd(&stale);
        CRKFileClose(&stale);
    }
    CRKLog("first line %d", 1);
    flush();
    EXPECT_EQ(sectionCount("log_a.crkrecord"), 1u);
    CRKLog("%s", std::string(60, 'x').c_str());  // takes log_a past 100 bytes
    flush();
    EXPECT_EQ(sectionCount("log_a.crkrecord"), 2u);
    CRKLog("third");
    flush();
    EXPECT_EQ(sectionCount("log_a.crkrecord"), 2u);
    const auto b = CRKFileReadSections((root_ + "/log_b.crkrecord").c_str(), false);
    ASSERT_TRUE(b);
    ASSERT_EQ(b->size(), 1u);
    EXPECT_EQ(CRKFileHexDecodeString((*b)[0]["log"]["msg"].string()->c_str()), "third");
    EXPECT_GT((*b)[0]["log"]["time"].number()->unsignedLongLongValue(), 1600000000000u);
}

TEST_F(CRKUserLoggingTest, ALineOfExactlyTheLogSizeIsWrittenWhole) {
    start(10);
    testsupport::LogCapture log;
    CRKLog("%s", "0123456789");
    flush();
    const auto a = CRKFileReadSections((root_ + "/log_a.crkrecord").c_str(), false);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->size(), 1u);
    EXPECT_EQ(CRKFileHexDecodeString((*a)[0]["log"]["msg"].string()->c_str()), "0123456789");
    EXPECT_FALSE(log.contains("maximum size of the log"));
}

TEST_F(CRKUserLoggingTest, AnOverlongLineIsCutToTheLogSize) {
    start(10);
    testsupport::LogCapture log;
    CRKLog("%s", "0123456789abcdef");
    flush();
    const auto a = CRKFileReadSections((root_ + "/log_a.crkrecord").c_str(), false);
    ASSERT_TRUE(a);
    EXPECT_EQ(CRKFileHexDecodeString((*a)[0]["log"]["msg"].string()->c_str()), "0123456789");
    EXPECT_TRUE(log.contains("Attempted to write 16 bytes, but 10 is the maximum size of the log."));
}

TEST_F(CRKUserLoggingTest, TheSeventeenthCustomExceptionGoesToTheEmptiedSecondFile) {
    start(65536, 16);
    for (int i = 0; i < 17; i++) {
        CRKExceptionRecord(CRKExceptionTypeCustom, "custom", std::to_string(i).c_str(), {}, false);
        flush();
    }
    EXPECT_EQ(sectionCount("custom_exception_a.crkrecord"), 16u);
    const auto b = CRKFileReadSections((root_ + "/custom_exception_b.crkrecord").c_str(), false);
    ASSERT_TRUE(b);
    ASSERT_EQ(b->size(), 1u);
    const Value& exception = (*b)[0]["exception"];
    EXPECT_EQ(*exception["type"].string(), "custom");
    EXPECT_EQ(CRKFileHexDecodeString(exception["reason"].string()->c_str()), "16");
    // An empty frame list leaves the key out.
    EXPECT_FALSE(exception.dictionary()->count("frames"));
}

TEST_F(CRKUserLoggingTest, ACapOfZeroTurnsTheKindOff) {
    start(0, 0);
    CRKLog("dropped");
    CRKExceptionRecord(CRKExceptionTypeCustom, "custom", "dropped", {}, false);
    flush();
    EXPECT_FALSE(exists("log_a.crkrecord"));
    EXPECT_FALSE(exists("custom_exception_a.crkrecord"));
}

TEST_F(CRKUserLoggingTest, DeletingAKeyHoldsBeforeAndAfterCompaction) {
    start();
    setKey("kept", Value("1"));
    setKey("gone", Value("2"));
    setKey("gone", Value());
    EXPECT_EQ(userKeys(), (Value::Dictionary{{"kept", Value("1")}}));
    CRKUserLoggingCompactKVEntries(CRKSharedContext().readonly->userKVStorage);
    EXPECT_FALSE(exists("user_incremental_kv.crkrecord"));
    EXPECT_EQ(userKeys(), (Value::Dictionary{{"kept", Value("1")}}));
    setKey("kept", Value());
    EXPECT_TRUE(userKeys().empty());
}

TEST_F(CRKUserLoggingTest, TheSixtyFourthWriteCompactsAndTheNextStartsANewIncrementalFile) {
    start();
    for (int i = 0; i < 63; i++) setKey("key" + std::to_string(i % 4), Value(int64_t(i)));
    flush();
    EXPECT_FALSE(exists("user_compacted_kv.crkrecord"));
    EXPECT_EQ(sectionCount("user_incremental_kv.crkrecord"), 63u);
    setKey("key0", Value("last"));
    flush();
    EXPECT_TRUE(exists("user_compacted_kv.crkrecord"));
    EXPECT_FALSE(exists("user_incremental_kv.crkrecord"));
    EXPECT_EQ(CRKSharedContext().writable->userKVIncrementalCount, 0u);
    setKey("key1", Value("after"));
    flush();
    EXPECT_EQ(sectionCount("user_incremental_kv.crkrecord"), 1u);
    const Value::Dictionary keys = userKeys();
    EXPECT_EQ(keys.at("key0"), Value("last"));
    EXPECT_EQ(keys.at("key1"), Value("after"));
    EXPECT_EQ(keys.at("key3"), Value("59"));
}

TEST_F(CRKUserLoggingTest, TruncationKeepsTheKeysSetMostRecently) {
    start(65536, 16, 16);
    for (int i = 0; i < 20; i++) setKey("key" + std::to_string(i), Value(int64_t(i)));
    setKey("key0", Value("again"));  // set again: now among the most recent
    CRKUserLoggingCompactKVEntries(CRKSharedContext().readonly->userKVStorage);
    const Value::Dictionary keys = userKeys();
    EXPECT_EQ(keys.size(), 16u);
    EXPECT_TRUE(keys.count("key0"));
    for (const char* dropped : {"key1", "key2", "key3", "key4"}) EXPECT_FALSE(keys.count(dropped)) << dropped;
    EXPECT_TRUE(keys.count("key19"));
    // The compacted file keeps the order of setting: the next truncation drops the oldest of key6 to
    // key19, not a key set again since.
    setKey("key5", Value("newest"));
    setKey("extra", Value("1"));
    CRKUserLoggingCompactKVEntries(CRKSharedContext().readonly->userKVStorage);
    const Value::Dictionary after = userKeys();
    EXPECT_EQ(after.size(), 16u);
    EXPECT_TRUE(after.count("key0"));
    EXPECT_TRUE(after.count("key5"));
    EXPECT_FALSE(after.count("key6"));
    EXPECT_TRUE(after.count("key7"));
}

TEST_F(CRKUserLoggingTest, AKillBetweenCompactionStepsLosesNoKey) {
    start();
    for (int stop = 1; stop <= 3; stop++) {
        for (int i = 0; i < 5; i++) setKey("key" + std::to_string(i), Value(int64_t(stop * 10 + i)));
        setKey("step" + std::to_string(stop), Value("present"));
        static int stopAt;
        stopAt = stop;
        CRKUserLoggingSetCompactionStepHook([](int step) { return step < stopAt; });
        CRKUserLoggingCompactKVEntries(CRKSharedContext().readonly->userKVStorage);
        CRKUserLoggingSetCompactionStepHook(nullptr);
        const Value::Dictionary keys = userKeys();
        EXPECT_EQ(keys.size(), size_t(5 + stop)) << "stopped before step " << stop;
        EXPECT_EQ(keys.at("key4"), Value(std::to_string(stop * 10 + 4)));
        EXPECT_EQ(keys.at("step" + std::to_string(stop)), Value("present"));
    }
}

TEST_F(CRKUserLoggingTest, RejectedKeysAndEarlyLinesRecordNothing) {
    testsupport::LogCapture log;
    CRKLog("too early");
    EXPECT_TRUE(log.contains("CRKLog has been used before (or concurrently with) CrashKit initialization"));
    EXPECT_TRUE(log.contains("too early"));
    CRKUserLoggingDisableUninitializedMessaging();
    CRKLog("silenced");
    EXPECT_FALSE(log.contains("silenced"));

    start();
    CRKUserLoggingRecordUserKeyValue(Value(), Value("value"));
    flush();
    EXPECT_FALSE(exists("user_incremental_kv.crkrecord"));
    const std::string diagnostics = [&] {
        FILE* file = fopen((root_ + "/sdk.log").c_str(), "r");
        std::string text;
        char buffer[4096];
        size_t got = 0;
        while (file && (got = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
        if (file) fclose(file);
        return text;
    }();
    EXPECT_NE(diagnostics.find("User provided bad key"), std::string::npos);
}

TEST_F(CRKUserLoggingTest, ErrorsCarryTheirDomainCodeStackAndInformation) {
    root_ = home() + "/run";
    mkdir(root_.c_str(), 0700);
    CRKContextHooks hooks;
    hooks.startUserLogging = CRKUserLoggingInit;
    hooks.debuggerAttached = [] { return true; };
    CRKContextSetHooks(hooks);
    CRKContextInitData data;
    data.rootPath = root_.c_str();
    data.errorReportingEnabled = true;
    data.maxCustomExceptions = 4;
    ASSERT_TRUE(CRKContextInitialize(&data));
    const platform::Error error{"com.example", -7, "failed"};
    CRKUserLoggingRecordError(&error, {{"extra", Value("x")}}, {});
    flush();
    const auto sections = CRKFileReadSections((root_ + "/errors_a.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    const Value& recorded = (*sections)[0]["error"];
    EXPECT_EQ(CRKFileHexDecodeString(recorded["domain"].string()->c_str()), "com.example");
    EXPECT_EQ(recorded["code"].number()->longLongValue(), -7);
    EXPECT_FALSE(recorded["stacktrace"].array()->empty());
    EXPECT_FALSE(recorded.dictionary()->count("info"));
    const Value& pair = (*recorded["extra_info"].array())[0];
    EXPECT_EQ(CRKFileHexDecodeString((*pair.array())[0].string()->c_str()), "extra");
    EXPECT_EQ(CRKFileHexDecodeString((*pair.array())[1].string()->c_str()), "x");
}

// Several threads logging and setting keys at once: every write lands, and the files stay readable.
TEST_F(CRKUserLoggingTest, ConcurrentWritersLoseNothing) {
    start(1 << 20, 16, 64);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; t++) {
        writers.emplace_back([t] {
            for (int i = 0; i < 40; i++) {
                CRKLog("writer %d line %d", t, i);
                setKey("writer" + std::to_string(t), Value(int64_t(i)));
            }
        });
    }
    for (auto& writer : writers) writer.join();
    flush();
    EXPECT_EQ(sectionCount("log_a.crkrecord"), 160u);
    const Value::Dictionary keys = userKeys();
    for (int t = 0; t < 4; t++) EXPECT_EQ(keys.at("writer" + std::to_string(t)), Value("39"));
}

}  // namespace
