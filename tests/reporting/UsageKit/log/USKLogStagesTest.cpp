#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/Clock.h"
#include "platform/base/Strings.h"
#include "reporting/UsageKit/events/USKCrashMetadata.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKMetadata.h"
#include "reporting/UsageKit/events/USKWriteEventOperation.h"
#include "reporting/UsageKit/log/USKCleanupFilesOperation.h"
#include "reporting/UsageKit/log/USKCompressLogOperation.h"
#include "reporting/UsageKit/log/USKPackageLogOperation.h"
#include "reporting/UsageKit/log/USKRotateCrashMetadataOperation.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"

using platform::Files;
using reporting::USKCleanupFilesOperation;

namespace {

class USKLogStagesTest : public usktest::UsageKitTest {
protected:
    void SetUp() override {
        UsageKitTest::SetUp();
        folder = home() + "/events";
        Files::createDirectories(folder, 0700);
    }
    std::string put(const std::string& name, const std::string& text = "x") {
        const std::string path = folder + "/" + name;
        Files::writeAtomically(path, platform::Data::fromString(text), 0600);
        return path;
    }
    std::string folder;
};

TEST_F(USKLogStagesTest, TheSweepSortsByStageAndRemovesWhatNoStageCanUse) {
    const auto log = put("A.log");
    put("A.gz");                    // interrupted compression of A
    const auto lone = put("B.gz");  // compressed, never packaged
    const auto packaged = put("C.multipartmime");
    put("D.log");  // packaged already: its log and "gz" are spent
    put("D.gz");
    const auto packagedD = put("D.multipartmime");
    put("E.gz.tmp");  // a stage's temporary file
    put("notes.txt");
    Files::createDirectories(folder + "/stray.dir");

    std::set<std::string> logs, compressed, packages;
    USKCleanupFilesOperation sweep(folder, 100);
    sweep.setSuccessBlock(
        [&](const auto& l, const auto& c, const auto& p) { logs = l, compressed = c, packages = p; });
    sweep.main();
    EXPECT_EQ(logs, std::set<std::string>{log});
    EXPECT_EQ(compressed, std::set<std::string>{lone});
    EXPECT_EQ(packages, (std::set<std::string>{packaged, packagedD}));
    EXPECT_EQ(Files::listDirectory(folder),
              (std::vector<std::string>{"A.log", "B.gz", "C.multipartmime", "D.multipartmime"}));
}

TEST_F(USKLogStagesTest, PackagesBeyondTheCapGoOldestFirstAndAnUndatedFileCountsAsOldest) {
    std::map<std::string, double> dates;
    for (int i = 0; i < 103; ++i) {
        const auto path = put(platform::format("P%03d.multipartmime", i));
        dates[path] = 1000.0 + (i * 37 % 103);  // creation order unrelated to the names
    }
    const std::string undated = folder + "/P050.multipartmime";
    platform::FileDates::setCreationDateSourceForTesting(
        [&](const std::string& path) -> std::optional<platform::Date> {
            if (path == undated) return std::nullopt;
            return platform::Date::dateWithTimeIntervalSince1970(dates.at(path));
        });
    std::set<std::string> kept;
    USKCleanupFilesOperation sweep(folder, 100);
    sweep.setSuccessBlock([&](const auto&, const auto&, const auto& p) { kept = p; });
    sweep.main();
    EXPECT_EQ(kept.size(), 100u);
    std::set<std::string> removed;
    for (const auto& [path, date] : dates)
        if (!Files::exists(path)) removed.insert(path);
    // Undated, then the two oldest dates (1000 and 1001: i = 0 and i = 39).
    EXPECT_EQ(removed, (std::set<std::string>{undated, folder + "/P000.multipartmime",
                                              folder + "/P039.multipartmime"}));
}

TEST_F(USKLogStagesTest, CompressionAndPackagingWriteWholeFilesOrNone) {
    const auto log = put("L.log", "line one\nline two\n");
    reporting::USKCompressLogOperation compress(
        log, reporting::USKCompressLogOperation::compressedURLForUncompressedURL(log));
    compress.main();
    ASSERT_TRUE(compress.compressedLogExists());
    EXPECT_EQ(usktest::gunzip(usktest::readText(folder + "/L.gz")), "line one\nline two\n");
    struct stat st {};
    ASSERT_EQ(stat((folder + "/L.gz").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A "gz" that exists is left as it is.
    put("M.log", "new");
    put("M.gz", "old");
    reporting::USKCompressLogOperation again(folder + "/M.log", folder + "/M.gz");
    again.main();
    EXPECT_TRUE(again.compressedLogExists());
    EXPECT_EQ(usktest::readText(folder + "/M.gz"), "old");

    // A missing log: the message, nothing written.
    testsupport::LogCapture capture;
    reporting::USKCompressLogOperation missing(folder + "/N.log", folder + "/N.gz");
    missing.main();
    EXPECT_FALSE(missing.compressedLogExists());
    EXPECT_FALSE(Files::exists(folder + "/N.gz"));
    EXPECT_TRUE(capture.contains("Error: attempting to compress nonexistent file"));

    reporting::USKPackageLogOperation package(folder + "/L.gz", folder + "/L.multipartmime", "L");
    package.main();
    ASSERT_TRUE(package.packagedLogExists());
    auto part = usktest::parseMultipart(usktest::readText(folder + "/L.multipartmime"), "L");
    ASSERT_TRUE(part);
    EXPECT_EQ(part->fileName, "L.gz");
    EXPECT_EQ(part->contentType, reporting::USKPackageLogOperation::kContentType);
    EXPECT_EQ(usktest::gunzip(part->bytes), "line one\nline two\n");

    // An empty "gz" cannot be packaged: no package, no temporary file, the input stays.
    put("E.gz", "");
    reporting::USKPackageLogOperation empty(folder + "/E.gz", folder + "/E.multipartmime", "E");
    empty.main();
    EXPECT_FALSE(empty.packagedLogExists());
    EXPECT_FALSE(Files::exists(folder + "/E.multipartmime"));
    EXPECT_FALSE(Files::exists(folder + "/E.multipartmime.tmp"));
    EXPECT_TRUE(Files::exists(folder + "/E.gz"));
}

TEST_F(USKLogStagesTest, LaunchMetadataIsHandedToTheNextLaunch) {
    const std::string path = home() + "/crash_metadata";
    reporting::USKMetadata::Fields fields;
    fields.executionIdentifier = "first";
    auto first = std::make_shared<reporting::USKMetadata>(fields);
    reporting::USKRotateCrashMetadataOperation rotateFirst(path, first);
    rotateFirst.main();
    ASSERT_TRUE(rotateFirst.crashMetadata()->rawMetadataDictionary());
    EXPECT_TRUE(rotateFirst.crashMetadata()->rawMetadataDictionary()->empty());
    EXPECT_TRUE(Files::exists(path));

    fields.executionIdentifier = "second";
    reporting::USKRotateCrashMetadataOperation rotateSecond(path,
                                                            std::make_shared<reporting::USKMetadata>(fields));
    rotateSecond.main();
    auto previous = rotateSecond.crashMetadata()->dictionaryRepresentationWithStartTime(0);
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous->at("session_id"), platform::Value("first"));
    EXPECT_EQ(previous->at("started_at"),
              platform::Value(platform::Number(static_cast<uint64_t>(platform::Clock::now()))));

    // An unreadable file gives a record without a dictionary; the file is then rewritten.
    Files::writeAtomically(path, platform::Data::fromString("{not json"), 0600);
    reporting::USKRotateCrashMetadataOperation rotateBroken(path, first);
    rotateBroken.main();
    EXPECT_FALSE(rotateBroken.crashMetadata()->rawMetadataDictionary());
    EXPECT_TRUE(reporting::USKCrashMetadata::readSerializedDictionaryFromURL(path));
}

TEST_F(USKLogStagesTest, TheRotationHandsOnNoStaleMetadataAndSetsAFolderInItsPlaceAside) {
    const std::string path = home() + "/crash_metadata";
    reporting::USKMetadata::Fields fields;
    fields.executionIdentifier = "previous";
    reporting::USKRotateCrashMetadataOperation(path, std::make_shared<reporting::USKMetadata>(fields)).main();

    // This launch's write fails as a full disk would cut it: it read the previous launch's metadata,
    // and the next launch must not take that one for its own predecessor's.
    fields.executionIdentifier = "cut short";
    Files::failNextWriteAfter(3);
    reporting::USKRotateCrashMetadataOperation cutShort(path, std::make_shared<reporting::USKMetadata>(fields));
    cutShort.main();
    auto read = cutShort.crashMetadata()->dictionaryRepresentationWithStartTime(0);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->at("session_id"), platform::Value("previous"));
    EXPECT_FALSE(Files::exists(path));

    // A folder where the file belongs is set aside with what it holds, and the file is written.
    ASSERT_TRUE(Files::createDirectories(path + "/inside", 0700));
    ASSERT_TRUE(Files::writeAtomically(path + "/inside/keep", platform::Data::fromString("mine"), 0600));
    reporting::USKRotateCrashMetadataOperation rotate(path, std::make_shared<reporting::USKMetadata>(fields));
    rotate.main();
    ASSERT_TRUE(rotate.crashMetadata()->rawMetadataDictionary());
    EXPECT_TRUE(rotate.crashMetadata()->rawMetadataDictionary()->empty());
    EXPECT_TRUE(reporting::USKCrashMetadata::readSerializedDictionaryFromURL(path));
    bool setAside = false;
    for (const auto& name : Files::listDirectory(home()))
        if (name.rfind("crash_metadata.unreadable-", 0) == 0)
            setAside = Files::read(home() + "/" + name + "/inside/keep").has_value();
    EXPECT_TRUE(setAside);
}

TEST_F(USKLogStagesTest, NoStageWritesThroughALinkPutAtItsPath) {
    const std::string victim = home() + "/victim";
    ASSERT_TRUE(Files::writeAtomically(victim, platform::Data::fromString("precious"), 0600));
    auto linkTo = [&](const std::string& name) {
        EXPECT_EQ(::symlink(victim.c_str(), (folder + "/" + name).c_str()), 0) << name;
    };

    // The event log itself: written when it is a file of the kit's, refused when it is a link.
    auto writeEventTo = [&](const std::string& name) {
        reporting::USKWriteEventOperation write(
            reporting::USKLifecycleEvent::appLaunchedEvent(),
            std::make_shared<reporting::USKMetadata>(reporting::USKMetadata::Fields{}), folder + "/" + name);
        write.main();
        return write.success();
    };
    EXPECT_TRUE(writeEventTo("V.log"));
    linkTo("W.log");
    EXPECT_FALSE(writeEventTo("W.log"));

    // The temporary files of the compressed and the packaged stage.
    const auto log = put("L.log", "line\n");
    linkTo("L.gz.tmp");
    reporting::USKCompressLogOperation compress(log, folder + "/L.gz");
    compress.main();
    EXPECT_FALSE(compress.compressedLogExists());
    EXPECT_FALSE(Files::exists(folder + "/L.gz"));

    put("P.gz", "compressed");
    linkTo("P.multipartmime.tmp");
    reporting::USKPackageLogOperation package(folder + "/P.gz", folder + "/P.multipartmime", "P");
    package.main();
    EXPECT_FALSE(package.packagedLogExists());
    EXPECT_FALSE(Files::exists(folder + "/P.multipartmime"));

    EXPECT_EQ(usktest::readText(victim), "precious");
}

TEST_F(USKLogStagesTest, CopiesThatKilledMetadataWritesLeftAreRemovedByTheNextLaunch) {
    const std::string path = home() + "/crash_metadata";
    const std::vector<std::string> leftovers = {home() + "/.crash_metadata.tmp-a1B2c3",
                                                home() + "/.crash_metadata.tmp-ZZZZZZ"};
    for (const auto& leftover : leftovers)
        ASSERT_TRUE(Files::writeAtomically(leftover, platform::Data::fromString("{\"half"), 0600));
    const std::string other = home() + "/.crash_metadata.other.tmp-a1B2c3";  // not its copy: kept
    ASSERT_TRUE(Files::writeAtomically(other, platform::Data::fromString("x"), 0600));

    reporting::USKRotateCrashMetadataOperation rotate(
        path, std::make_shared<reporting::USKMetadata>(reporting::USKMetadata::Fields{}));
    rotate.main();
    for (const auto& leftover : leftovers) EXPECT_FALSE(Files::exists(leftover)) << leftover;
    EXPECT_TRUE(Files::exists(other));
    EXPECT_TRUE(reporting::USKCrashMetadata::readSerializedDictionaryFromURL(path));
}

}  // namespace
