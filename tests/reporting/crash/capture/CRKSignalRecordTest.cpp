#include <signal.h>
#include <sys/wait.h>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/reporting/crash/CrashStoreChild.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;

class CRKSignalRecordTest : public testsupport::KestruneTest {};

// A record written by a signal handler in a process that then dies of the signal reads back field for
// field, hostile strings included.
TEST_F(CRKSignalRecordTest, RecordWrittenInsideASignalHandlerReadsBack) {
    const std::string path = home() + "/signal.crkrecord";
    const int status = crashstoretest::runChild({"signal", path});
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    auto sections = CRKFileReadSections(path.c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 2u);

    const Value& signal = (*sections)[0]["signal"];
    ASSERT_TRUE(signal.dictionary());
    EXPECT_EQ(signal["number"].number()->unsignedLongLongValue(), uint64_t(SIGSEGV));
    EXPECT_EQ(signal["code"].number()->unsignedLongLongValue(), uint64_t(SEGV_ACCERR));
    EXPECT_NE(signal["address"].number()->unsignedLongLongValue(), 0u);
    EXPECT_EQ(*signal["name"].string(), "SIGSEGV");
    EXPECT_EQ(*signal["code_name"].string(), "SEGV_ACCERR");
    EXPECT_TRUE(signal["errno"].number());
    EXPECT_EQ(signal["offset"].number()->longLongValue(), -5);
    // The bytes that are not UTF-8 (0xff 0xfe) come back as replacement characters; the rest as written.
    EXPECT_EQ(*signal["path"].string(), "/tmp/we\"ird\\pa\nth/\x01\xef\xbf\xbd\xef\xbf\xbd.dylib");
    EXPECT_EQ(CRKFileHexDecodeString(signal["reason"].string()->c_str()), "reason: \"quoted\"\n\\ end");

    const Value::Array* threads = (*sections)[1]["threads"].array();
    ASSERT_TRUE(threads);
    ASSERT_EQ(threads->size(), 2u);
    for (size_t thread = 0; thread < 2; thread++) {
        const Value& entry = (*threads)[thread];
        const Value::Array* frames = entry["stacktrace"].array();
        ASSERT_TRUE(frames);
        ASSERT_EQ(frames->size(), 3u);
        for (size_t frame = 0; frame < 3; frame++) {
            EXPECT_EQ((*frames)[frame].number()->unsignedLongLongValue(), 0x1000 * (thread + 1) + frame);
        }
        EXPECT_EQ(entry["crashed"].number()->boolValue(), thread == 0);
        EXPECT_EQ(*entry["name"].string(), "queue \"main\" \t\\");
    }
}

}  // namespace
