#include "reporting/crash/store/CRKFileManager.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/store/CRKInternalReport.h"
#include "tests/reporting/crash/CrashStoreChild.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

class CRKFileManagerTest : public testsupport::KestruneTest {
protected:
    static void writeText(const std::string& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    static bool exists(const std::string& path) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }
    // A report folder of an earlier run in active, with a metadata file naming it.
    std::string makeReport(const CRKFileManager& store, const std::string& name,
                           const std::string& sessionId) {
        auto folder = store.setupNewPathForExecutionIdentifier(name);
        EXPECT_TRUE(folder);
        writeText(*folder + "/metadata.crkrecord", "{\"identity\":{\"session_id\":\"" + sessionId + "\"}}\n");
        writeText(*folder + "/signal.crkrecord", "{\"signal\":{\"time\":1700000000}}\n");
        return *folder;
    }
};

TEST_F(CRKFileManagerTest, LayoutUnderTheCachesFolder) {
    CRKFileManager store;
    const std::string root = platform::StandardFolders::caches() + "/" + CRKReverseDomainPrefix + ".data/" +
                             CRKApplicationGetBundleIdentifier();
    EXPECT_EQ(store.rootPath(), root);
    EXPECT_EQ(CRKFileManager::pathNamespace().find('/'), std::string::npos);
    EXPECT_EQ(store.structurePath(), root + "/v3");
    EXPECT_EQ(store.activePath(), root + "/v3/active");
    EXPECT_EQ(store.pendingPath(), root + "/v3/pending");
    EXPECT_EQ(store.processingPath(), root + "/v3/processing");
    EXPECT_EQ(store.preparedPath(), root + "/v3/prepared");

    // Private, every folder made on the way included; a looser folder of an earlier version is tightened.
    ASSERT_TRUE(store.prepareForNewLaunch());
    ASSERT_EQ(chmod(store.structurePath().c_str(), 0755), 0);
    ASSERT_TRUE(store.prepareForNewLaunch());
    for (const auto& folder :
         {platform::StandardFolders::caches() + "/" + CRKReverseDomainPrefix + ".data", root,
          store.structurePath(), store.activePath(), store.processingPath(), store.preparedPath()}) {
        struct stat st;
        ASSERT_EQ(stat(folder.c_str(), &st), 0) << folder;
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
    EXPECT_FALSE(exists(store.pendingPath()));
    auto run = store.setupNewPathForExecutionIdentifier("abc123");
    ASSERT_TRUE(run);
    EXPECT_EQ(*run, store.activePath() + "/abc123");
    EXPECT_EQ(store.activePathContents(), std::vector<std::string>{*run});
}

TEST_F(CRKFileManagerTest, ListingsSkipHiddenNamesAndGiveExtensions) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    writeText(store.preparedPath() + "/b.multipartmime", "x");
    writeText(store.preparedPath() + "/a.multipartmime", "xy");
    writeText(store.preparedPath() + "/.DS_Store", "");
    std::vector<std::string> seen;
    store.enumerateFilesInPreparedDirectoryUsingBlock(
        [&](const std::string& path, const std::string& extension) {
            seen.push_back(path + "|" + extension);
        });
    EXPECT_EQ(seen, (std::vector<std::string>{store.preparedPath() + "/a.multipartmime|multipartmime",
                                              store.preparedPath() + "/b.multipartmime|multipartmime"}));
    EXPECT_EQ(store.fileSizeAtPath(store.preparedPath() + "/a.multipartmime"), 2u);
    EXPECT_FALSE(store.fileSizeAtPath(store.preparedPath() + "/missing"));
    EXPECT_TRUE(store.contentsOfDirectory(home() + "/nothing-here").empty());
}

TEST_F(CRKFileManagerTest, ReportsMoveThroughTheFoldersByRenaming) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    const std::string report = makeReport(store, "run1", "run1");
    struct stat before;
    ASSERT_EQ(stat((report + "/signal.crkrecord").c_str(), &before), 0);

    ASSERT_TRUE(store.moveItemAtPath_toDirectory(report, store.processingPath()));
    EXPECT_FALSE(exists(report));
    struct stat after;
    ASSERT_EQ(stat((store.processingPath() + "/run1/signal.crkrecord").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);  // the same file, renamed, not copied

    int reports = 0;
    store.enumerateReportsInProcessingDirectoryUsingBlock(
        [&](const std::shared_ptr<CRKInternalReport>& internal, const std::string& path) {
            ASSERT_TRUE(internal);
            EXPECT_EQ(internal->identifier(), "run1");
            EXPECT_EQ(path, store.processingPath() + "/run1");
            reports++;
        });
    EXPECT_EQ(reports, 1);
    ASSERT_TRUE(store.moveProcessingContentsToPrepared());
    EXPECT_TRUE(exists(store.preparedPath() + "/run1/metadata.crkrecord"));
    EXPECT_TRUE(store.processingPathContents().empty());

    EXPECT_FALSE(store.moveItemAtPath_toDirectory("", store.processingPath()));
    EXPECT_FALSE(store.moveItemAtPath_toDirectory(store.preparedPath() + "/run1", ""));
}

TEST_F(CRKFileManagerTest, MovingManyStopsAtTheFirstFailure) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    ASSERT_TRUE(store.createDirectoryAtPath(store.pendingPath()));
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(store.createDirectoryAtPath(store.pendingPath() + "/" + name));
    // "b" cannot move: processing already holds a folder of that name with content.
    ASSERT_TRUE(store.createDirectoryAtPath(store.processingPath() + "/b"));
    writeText(store.processingPath() + "/b/keep", "mine");

    EXPECT_FALSE(store.movePendingToProcessing());
    EXPECT_TRUE(exists(store.processingPath() + "/a"));
    EXPECT_TRUE(exists(store.pendingPath() + "/b"));
    EXPECT_TRUE(exists(store.pendingPath() + "/c"));
    EXPECT_TRUE(exists(store.processingPath() + "/b/keep"));

    EXPECT_TRUE(store.removeContentsOfPendingPath());
    EXPECT_TRUE(store.pendingPath().size() > 0 && store.contentsOfDirectory(store.pendingPath()).empty());
    EXPECT_TRUE(store.removeContentsOfAllPaths());
    EXPECT_TRUE(store.processingPathContents().empty());
    EXPECT_TRUE(exists(store.processingPath()));
}

TEST_F(CRKFileManagerTest, CleanupNeverLeavesTheStore) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    const std::string outside = home() + "/precious";
    ASSERT_TRUE(store.createDirectoryAtPath(outside));
    writeText(outside + "/file", "keep");

    EXPECT_FALSE(store.removeItemAtPath(outside));
    EXPECT_FALSE(store.removeItemAtPath(store.activePath() + "/../../../precious"));
    EXPECT_FALSE(store.removeItemAtPath(store.rootPath()));
    EXPECT_FALSE(store.removeItemAtPath(store.rootPath() + "/"));
    EXPECT_FALSE(store.removeItemAtPath("/"));
    EXPECT_FALSE(store.moveItemAtPath_toDirectory(outside, store.processingPath()));
    EXPECT_FALSE(store.moveItemAtPath_toDirectory(store.activePath(), home()));
    EXPECT_FALSE(store.setupNewPathForExecutionIdentifier("../../../precious"));
    EXPECT_FALSE(store.setupNewPathForExecutionIdentifier(".."));
    EXPECT_FALSE(store.setupNewPathForExecutionIdentifier(""));
    EXPECT_FALSE(store.setupNewPathForExecutionIdentifier("/tmp/x"));

    // A report whose metadata names a hostile identifier is not opened as a report.
    const std::string report = makeReport(store, "run2", "../../../precious");
    EXPECT_FALSE(CRKInternalReport::reportWithPath(report));

    // A report folder holding a link to the outside: emptying the store removes the link, never what it
    // points to.
    ASSERT_EQ(symlink(outside.c_str(), (report + "/link").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), (store.processingPath() + "/linked-report").c_str()), 0);
    EXPECT_TRUE(store.removeContentsOfAllPaths());
    EXPECT_FALSE(exists(report));
    EXPECT_FALSE(exists(store.processingPath() + "/linked-report"));
    EXPECT_TRUE(exists(outside + "/file"));
}

TEST_F(CRKFileManagerTest, LegacyLayoutIsRemovedWhole) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    makeReport(store, "old", "old");
    store.removeLegacyDirectories();
    EXPECT_TRUE(exists(store.structurePath()));

    ASSERT_TRUE(store.createDirectoryAtPath(store.rootPath() + "/sendable"));
    store.removeLegacyDirectories();
    EXPECT_FALSE(exists(store.rootPath()));
    EXPECT_TRUE(exists(home()));
}

// A removal cut short by a kill leaves an empty report folder, or the hidden remains of one whose files
// were going; the next launch's preparation removes both and nothing else.
TEST_F(CRKFileManagerTest, TheNextLaunchSweepsWhatInterruptedRemovalsLeft) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    const std::string whole = makeReport(store, "whole", "whole");
    ASSERT_TRUE(store.createDirectoryAtPath(store.activePath() + "/empty"));
    ASSERT_TRUE(store.createDirectoryAtPath(store.processingPath() + "/emptied"));
    ASSERT_TRUE(store.createDirectoryAtPath(store.pendingPath() + "/left"));
    const std::string halfGone = store.processingPath() + "/.half.removing";
    ASSERT_TRUE(store.createDirectoryAtPath(halfGone));
    writeText(halfGone + "/signal.crkrecord", "{}\n");
    const std::string package = store.preparedPath() + "/p.multipartmime";
    writeText(package, "body");
    // Report folders reach prepared too (moved whole from processing); their removals leave the same.
    const std::string halfGonePrepared = store.preparedPath() + "/.moved.removing";
    ASSERT_TRUE(store.createDirectoryAtPath(halfGonePrepared + "/sub"));
    writeText(halfGonePrepared + "/signal.crkrecord", "{}\n");
    ASSERT_TRUE(store.createDirectoryAtPath(store.preparedPath() + "/emptied"));
    const std::string hiddenFile = store.activePath() + "/.note";  // no folder: not a removal's
    writeText(hiddenFile, "x");

    EXPECT_TRUE(store.prepareForNewLaunch());
    EXPECT_EQ(store.activePathContents(), std::vector<std::string>{whole});
    EXPECT_TRUE(store.processingPathContents().empty());
    EXPECT_FALSE(exists(store.pendingPath() + "/left"));
    EXPECT_FALSE(exists(halfGone));
    EXPECT_EQ(store.preparedPathContents(), std::vector<std::string>{package});
    EXPECT_FALSE(exists(halfGonePrepared));
    EXPECT_TRUE(exists(hiddenFile));
    EXPECT_TRUE(exists(whole + "/signal.crkrecord"));
}

// A folder's removal goes through a hidden name, so what a kill leaves of it is never a visible report;
// the remains of an earlier interrupted removal of the same name go with it.
TEST_F(CRKFileManagerTest, RemovingAFolderClearsTheRemainsOfAnEarlierInterruptedRemovalOfIt) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    const std::string report = makeReport(store, "gone", "gone");
    // The hidden name of an earlier interrupted removal of the same name does not stand in the way.
    ASSERT_TRUE(store.createDirectoryAtPath(store.activePath() + "/.gone.removing/old"));
    EXPECT_TRUE(store.removeItemAtPath(report + "/"));
    EXPECT_FALSE(exists(report));
    EXPECT_TRUE(platform::Files::listDirectory(store.activePath()).empty());
    EXPECT_FALSE(store.removeItemAtPath(report));  // nothing left to remove: a failure, as before
}

// A process killed between two moves leaves the report whole in the folder it reached, ready for the
// next launch to move on.
TEST_F(CRKFileManagerTest, ReportSurvivesAKillBetweenMoves) {
    CRKFileManager store(home() + "/store");
    ASSERT_TRUE(store.prepareForNewLaunch());
    makeReport(store, "run3", "run3");

    const int status = crashstoretest::runChild({"move", store.rootPath(), "run3"});
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    EXPECT_TRUE(store.activePathContents().empty());
    EXPECT_TRUE(store.preparedPathContents().empty());
    ASSERT_EQ(store.processingPathContents(), std::vector<std::string>{store.processingPath() + "/run3"});
    auto report = CRKInternalReport::reportWithPath(store.processingPath() + "/run3");
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->isCrash());
    EXPECT_TRUE(report->crashedOnDate());

    ASSERT_TRUE(store.moveProcessingContentsToPrepared());
    EXPECT_TRUE(exists(store.preparedPath() + "/run3/signal.crkrecord"));
}

}  // namespace
