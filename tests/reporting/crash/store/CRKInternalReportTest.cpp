#include "reporting/crash/store/CRKInternalReport.h"

#include <fstream>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "reporting/crash/store/CRKReport.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

const char* kMetadata =
    "{\"identity\":{\"generator\":\"CrashKit Mac SDK/3.12.0\",\"api_key\":\"key\",\"started_at\":1700000000,"
    "\"session_id\":\"abc\"}}\n"
    "{\"host\":{\"os_build_version\":\"18G103\",\"os_display_version\":\"10.14.6\"}}\n"
    "{\"application\":{\"build_version\":\"42\",\"display_version\":\"1.2.3\"}}\n"
    "{\"executable\":{\"architecture\":\"x86_64\"}}\n";

class CRKInternalReportTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        folder_ = home() + "/report";
        CRKFileManager(home()).createDirectoryAtPath(folder_);
    }
    void TearDown() override {
        CRKContextResetForTesting();
        KestruneTest::TearDown();
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream out(folder_ + "/" + name, std::ios::binary);
        out << text;
    }
    std::string folder_;
};

TEST_F(CRKInternalReportTest, MetadataIsReadByPosition) {
    write("metadata.crkrecord", kMetadata);
    auto report = CRKInternalReport::reportWithPath(folder_);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->identifier(), "abc");
    EXPECT_EQ(report->directoryName(), "report");
    EXPECT_EQ(report->APIKey(), "key");
    EXPECT_EQ(report->bundleVersion(), "42");
    EXPECT_EQ(report->bundleShortVersionString(), "1.2.3");
    EXPECT_EQ(report->OSVersion(), "10.14.6");
    EXPECT_EQ(report->OSBuildVersion(), "18G103");
    ASSERT_TRUE(report->dateCreated());
    EXPECT_EQ(report->dateCreated()->timeIntervalSince1970(), 1700000000.0);
    EXPECT_FALSE(report->customKeys());
    EXPECT_EQ(report->metadataPath(), folder_ + "/metadata.crkrecord");
    EXPECT_EQ(report->binaryImagePath(), folder_ + "/binary_images.crkrecord");

    // Sections out of their places give nothing rather than the wrong value.
    write("metadata.crkrecord",
          "{\"identity\":{\"session_id\":\"abc\"}}\n{\"application\":{\"build_version\":\"42\"}}\n");
    auto shuffled = CRKInternalReport::reportWithPath(folder_);
    ASSERT_TRUE(shuffled);
    EXPECT_FALSE(shuffled->bundleVersion());
    EXPECT_FALSE(shuffled->OSVersion());
}

TEST_F(CRKInternalReportTest, AFolderWithoutIdentifierIsNoReport) {
    EXPECT_FALSE(CRKInternalReport::reportWithPath(folder_));
    write("metadata.crkrecord", "{\"identity\":{\"api_key\":\"key\"}}\n");
    EXPECT_FALSE(CRKInternalReport::reportWithPath(folder_));
    write("metadata.crkrecord", "{\"identity\":{\"session_id\":42}}\n");
    EXPECT_FALSE(CRKInternalReport::reportWithPath(folder_));
    EXPECT_FALSE(CRKInternalReport::initWithPath_executionIdentifier(folder_, ""));
    EXPECT_FALSE(CRKInternalReport::initWithPath_executionIdentifier("", "abc"));
    auto named = CRKInternalReport::initWithPath_executionIdentifier(folder_, "abc");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->identifier(), "abc");
}

TEST_F(CRKInternalReportTest, OnlyCrashesAndRecordedProblemsAreWorthSending) {
    auto report = CRKInternalReport::initWithPath_executionIdentifier(folder_, "abc");
    write("log_a.crkrecord", "{\"log\":{}}\n");
    write("user_incremental_kv.crkrecord", "{\"kv\":{}}\n");
    write("internal_compacted_kv.crkrecord", "{\"kv\":{}}\n");
    EXPECT_FALSE(report->needsToBeSubmitted());
    EXPECT_FALSE(report->isCrash());
    EXPECT_FALSE(report->crashedOnDate());
    write("errors_b.crkrecord", "{\"error\":{}}\n");
    EXPECT_TRUE(report->needsToBeSubmitted());
    EXPECT_FALSE(report->isCrash());

    std::vector<std::string> symbolicatable;
    report->enumerateSymbolicatableFilesInContent(
        [&](const std::string& path) { symbolicatable.push_back(path); });
    EXPECT_EQ(symbolicatable, (std::vector<std::string>{folder_ + "/exception.crkrecord",
                                                        folder_ + "/mach_exception.crkrecord",
                                                        folder_ + "/signal.crkrecord"}));
}

TEST_F(CRKInternalReportTest, CrashDatePrefersTheMachExceptionAndExceptionsHaveNone) {
    auto report = CRKInternalReport::initWithPath_executionIdentifier(folder_, "abc");
    write("exception.crkrecord", "{\"exception\":{\"time\":1}}\n");
    EXPECT_TRUE(report->isCrash());
    EXPECT_FALSE(report->crashedOnDate());

    write("signal.crkrecord", "{\"signal\":{\"time\":1700000100}}\n{\"threads\":[]}\n");
    ASSERT_TRUE(report->crashedOnDate());
    EXPECT_EQ(report->crashedOnDate()->timeIntervalSince1970(), 1700000100.0);

    write("mach_exception.crkrecord", "{\"mach_exception\":{\"time\":1700000200}}\n");
    ASSERT_TRUE(report->crashedOnDate());
    EXPECT_EQ(report->crashedOnDate()->timeIntervalSince1970(), 1700000200.0);

    // A Mach exception file cut short before its time falls back to the signal file.
    write("mach_exception.crkrecord", "{\"mach_exception\":{\"exception\":1,\"ti");
    EXPECT_EQ(report->crashedOnDate()->timeIntervalSince1970(), 1700000100.0);
}

// Records of key-value calls, standing in for the user-logging code.
std::vector<std::string> recorded;
void recordKeyValue(const std::string& key, const platform::Value& value, CRKUserLoggingKVStorage storage,
                    uint32_t* counter) {
    (*counter)++;
    recorded.push_back(key + "=" + (value.string() ? *value.string() : value.description()) + "@" +
                       storage.incrementalPath + "#" + std::to_string(*counter) + "/" +
                       std::to_string(storage.maxCount));
}
platform::Value::Dictionary compacted(CRKUserLoggingKVStorage storage, bool) {
    return {{"from", std::string(storage.compactedPath)}};
}

TEST_F(CRKInternalReportTest, PublicReportOfAnEarlierRunIsReadOnce) {
    write("metadata.crkrecord", kMetadata);
    write("signal.crkrecord", "{\"signal\":{\"time\":1700000100}}\n");
    CRKReport::setKeyValueFunctions({recordKeyValue, compacted});
    CRKReport report(CRKInternalReport::reportWithPath(folder_), true);
    EXPECT_TRUE(report.readOnly());
    // Removing the files changes nothing: every value was read at once.
    std::remove((folder_ + "/metadata.crkrecord").c_str());
    std::remove((folder_ + "/signal.crkrecord").c_str());
    EXPECT_EQ(report.identifier(), "abc");
    EXPECT_EQ(report.bundleVersion(), "42");
    EXPECT_EQ(report.bundleShortVersionString(), "1.2.3");
    EXPECT_EQ(report.OSVersion(), "10.14.6");
    EXPECT_EQ(report.OSBuildVersion(), "18G103");
    EXPECT_TRUE(report.isCrash());
    EXPECT_EQ(report.crashedOnDate()->timeIntervalSince1970(), 1700000100.0);
    EXPECT_EQ(report.dateCreated()->timeIntervalSince1970(), 1700000000.0);
    EXPECT_EQ(*report.customKeys()["from"].string(), folder_ + "/user_compacted_kv.crkrecord");

    recorded.clear();
    EXPECT_FALSE(report.canRecordNewValues());
    report.setObjectValue_forKey(platform::Value("v"), "k");
    EXPECT_TRUE(recorded.empty());
    EXPECT_FALSE(report.userIdentifier());
    CRKReport::setKeyValueFunctions({});
}

TEST_F(CRKInternalReportTest, ReportOfTheCurrentRunRecordsWhileTheContextIsUp) {
    CRKReport::setKeyValueFunctions({recordKeyValue, compacted});
    CRKReport report(CRKInternalReport::initWithPath_executionIdentifier(folder_, "abc"));
    recorded.clear();
    report.setUserName("n");
    EXPECT_TRUE(recorded.empty());  // no context yet

    CRKContextInitData data;
    data.rootPath = folder_.c_str();
    data.sessionId = "abc";
    ASSERT_TRUE(CRKContextInitialize(&data));
    runUntilIdle();
    ASSERT_TRUE(CRKContextIsInitialized());
    EXPECT_TRUE(report.canRecordNewValues());
    report.setUserName("n");
    report.setObjectValue_forKey(platform::Value("v"), "k");
    report.setObjectValue_forKey(platform::Value("w"), "k");
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0],
              "com.reportkit.user-name=n@" + folder_ + "/internal_incremental_kv.crkrecord#1/32");
    EXPECT_EQ(recorded[2].substr(0, 4), "k=w@");
    EXPECT_NE(recorded[2].find("/user_incremental_kv.crkrecord#2/"), std::string::npos);
    const CRKUserLoggingKVStorage user = report.userKVStorage();
    EXPECT_EQ(user.maxIncrementalCount, 64u);
    CRKReport::setKeyValueFunctions({});
}

}  // namespace
