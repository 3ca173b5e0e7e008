#include "platform/storage/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/base/Clock.h"
#include "platform/storage/StandardFolders.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Files;
using platform::StandardFolders;

namespace {

class FilesTest : public testsupport::KestruneTest {
protected:
    std::string path(const std::string& name) const { return home() + "/" + name; }
};

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

}  // namespace

TEST_F(FilesTest, AtomicWriteCreatesFoldersAndReplacesWholeFile) {
    std::string file = path("a/b/c/settings.plist");
    ASSERT_TRUE(Files::writeAtomically(file, Data::fromString("first version, rather long")));
    EXPECT_TRUE(Files::isDirectory(path("a/b/c")));
    EXPECT_EQ(modeOf(path("a/b/c")), 0700u);
    ASSERT_TRUE(Files::writeAtomically(file, Data::fromString("second")));
    auto read = Files::read(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->toString(), "second");
    EXPECT_EQ(Files::fileSize(file), 6u);
    // No temporary file is left behind next to the saved one.
    EXPECT_EQ(Files::listDirectory(path("a/b/c")), std::vector<std::string>{"settings.plist"});
}

TEST_F(FilesTest, InterruptedWriteLeavesOldFileAndNoTemporary) {
    std::string file = path("data/records.archive");
    ASSERT_TRUE(Files::writeAtomically(file, Data::fromString("the old, good contents")));
    testsupport::LogCapture log;
    Files::failNextWriteAfter(5);
    EXPECT_FALSE(Files::writeAtomically(file, Data::fromString("new contents that never fully arrive")));
    EXPECT_TRUE(log.contains("the previous file is unchanged"));
    EXPECT_EQ(Files::read(file)->toString(), "the old, good contents");
    EXPECT_EQ(Files::listDirectory(path("data")), std::vector<std::string>{"records.archive"});
    // The fault is for one write only.
    EXPECT_TRUE(Files::writeAtomically(file, Data::fromString("later")));
    EXPECT_EQ(Files::read(file)->toString(), "later");
}

TEST_F(FilesTest, FaultAtZeroBytesAndOnNewFileLeavesNothing) {
    Files::failNextWriteAfter(0);
    EXPECT_FALSE(Files::writeAtomically(path("fresh/new.plist"), Data::fromString("x")));
    EXPECT_FALSE(Files::exists(path("fresh/new.plist")));
    EXPECT_TRUE(Files::listDirectory(path("fresh")).empty());
}

TEST_F(FilesTest, ModeIsAppliedRegardlessOfUmask) {
    mode_t old = umask(0);
    EXPECT_TRUE(Files::writeAtomically(path("secret"), Data::fromString("key"), 0600));
    EXPECT_TRUE(Files::writeAtomically(path("public"), Data::fromString("x")));
    umask(077);
    EXPECT_TRUE(Files::writeAtomically(path("public2"), Data::fromString("x"), 0644));
    umask(old);
    EXPECT_EQ(modeOf(path("secret")), 0600u);
    EXPECT_EQ(modeOf(path("public")), 0644u);
    EXPECT_EQ(modeOf(path("public2")), 0644u);
    // Replacing a 0644 file with a 0600 one narrows it.
    EXPECT_TRUE(Files::writeAtomically(path("public"), Data::fromString("now secret"), 0600));
    EXPECT_EQ(modeOf(path("public")), 0600u);
}

// A save of exactly what the file holds leaves the file itself alone (same inode, no temporary); any
// difference in the bytes, the length or the mode, or a link in the file's place, is saved as usual.
TEST_F(FilesTest, AnUnchangedSaveLeavesTheFileAsItIs) {
    const auto inode = [](const std::string& p) {
        struct stat info {};
        return lstat(p.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    const std::string file = path("data/settings.plist");
    const Data contents = Data::fromString("<dict/>");
    ASSERT_TRUE(Files::writeAtomicallyUnlessUnchanged(file, contents, 0600));
    EXPECT_EQ(Files::read(file)->toString(), "<dict/>");
    const ino_t first = inode(file);
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(Files::holdsExactly(file, contents, 0600));
    EXPECT_TRUE(Files::writeAtomicallyUnlessUnchanged(file, contents, 0600));
    EXPECT_EQ(inode(file), first);

    struct Case {
        const char* name;
        std::string bytes;
        mode_t mode;
    };
    const Case cases[] = {
        {"other bytes, same length", "<list/>", 0600},
        {"longer", "<dict/>\n", 0600},
        {"shorter", "<dict", 0600},
        {"same bytes, other mode", "<dict", 0644},
    };
    ino_t previous = first;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Data data = Data::fromString(c.bytes);
        EXPECT_FALSE(Files::holdsExactly(file, data, c.mode));
        ASSERT_TRUE(Files::writeAtomicallyUnlessUnchanged(file, data, c.mode));
        EXPECT_NE(inode(file), previous);
        previous = inode(file);
        EXPECT_EQ(Files::read(file)->toString(), c.bytes);
        EXPECT_EQ(modeOf(file), c.mode);
    }
    EXPECT_EQ(Files::listDirectory(path("data")), std::vector<std::string>{"settings.plist"});

    // A link to a file with the same bytes is replaced by the file; what it pointed to stays as it was.
    const std::string target = path("elsewhere");
    ASSERT_TRUE(Files::writeAtomically(target, contents, 0600));
    const std::string linked = path("data/linked.plist");
    ASSERT_EQ(symlink(target.c_str(), linked.c_str()), 0);
    EXPECT_FALSE(Files::holdsExactly(linked, contents, 0600));
    ASSERT_TRUE(Files::writeAtomicallyUnlessUnchanged(linked, contents, 0600));
    struct stat info {};
    ASSERT_EQ(lstat(linked.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_FALSE(Files::holdsExactly(path("data/missing"), Data(), 0600));
    EXPECT_FALSE(Files::holdsExactly(path("data"), Data(), 0700));
}

TEST_F(FilesTest, WriteFailsWhenParentIsAFile) {
    ASSERT_TRUE(Files::writeAtomically(path("plain"), Data::fromString("x")));
    EXPECT_FALSE(Files::writeAtomically(path("plain/inside"), Data::fromString("y")));
    EXPECT_EQ(Files::read(path("plain"))->toString(), "x");
    EXPECT_FALSE(Files::writeAtomically("", Data()));
}

// A folder that cannot be written is named once, however many saves fail in it or below it; once it
// takes files again it is forgotten, and a new break is named again.
TEST_F(FilesTest, AnUnwritableFolderIsNamedOnceUntilItTakesFilesAgain) {
    auto linesNaming = [](const testsupport::LogCapture& log, const std::string& text) {
        size_t count = 0;
        for (const auto& line : log.lines()) count += line.find(text) != std::string::npos;
        return count;
    };
    ASSERT_TRUE(Files::writeAtomically(path("store"), Data::fromString("a file where a folder belongs")));
    testsupport::LogCapture log;
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(Files::writeAtomically(path("store/data.plist"), Data::fromString("y")));
        EXPECT_FALSE(Files::writeAtomically(path("store/deeper/more.plist"), Data::fromString("y")));
        EXPECT_FALSE(Files::createDirectories(path("store/other")));
    }
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "The folder " + path("store") +
                                  " cannot be written (something that is not a folder is in its place): "
                                  "nothing saved in it will be kept");
    EXPECT_TRUE(Files::isInUnwritableFolder(path("store/deeper/more.plist")));
    EXPECT_FALSE(Files::isInUnwritableFolder(path("store2/x")));

    ASSERT_TRUE(Files::remove(path("store")));
    EXPECT_TRUE(Files::writeAtomically(path("store/data.plist"), Data::fromString("y")));
    EXPECT_FALSE(Files::isInUnwritableFolder(path("store/data.plist")));
    ASSERT_TRUE(Files::remove(path("store")));
    ASSERT_TRUE(Files::writeAtomically(path("store"), Data::fromString("broken again")));
    EXPECT_FALSE(Files::writeAtomically(path("store/data.plist"), Data::fromString("y")));
    EXPECT_EQ(linesNaming(log, path("store") + " cannot be written"), 2u);
}

TEST_F(FilesTest, ReadDistinguishesMissingFromFolder) {
    testsupport::LogCapture log;
    EXPECT_FALSE(Files::read(path("missing")));
    EXPECT_TRUE(log.lines().empty());  // a missing file is an ordinary answer, not a problem
    ASSERT_TRUE(Files::createDirectories(path("folder")));
    EXPECT_FALSE(Files::read(path("folder")));
    EXPECT_TRUE(log.contains("not a regular file"));
    ASSERT_TRUE(Files::writeAtomically(path("empty"), Data()));
    auto empty = Files::read(path("empty"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST_F(FilesTest, RemoveMoveListAndDates) {
    ASSERT_TRUE(Files::writeAtomically(path("tree/x/one"), Data::fromString("1")));
    ASSERT_TRUE(Files::writeAtomically(path("tree/two"), Data::fromString("22")));
    EXPECT_EQ(Files::listDirectory(path("tree")), (std::vector<std::string>{"two", "x"}));
    EXPECT_TRUE(Files::move(path("tree/two"), path("tree/three")));
    EXPECT_FALSE(Files::exists(path("tree/two")));
    EXPECT_EQ(Files::fileSize(path("tree/three")), 2u);
    EXPECT_FALSE(Files::move(path("tree/two"), path("tree/four")));
    auto modified = Files::modificationDate(path("tree/three"));
    ASSERT_TRUE(modified);
    EXPECT_GT(modified->timeIntervalSince1970(), 1.0e9);
    EXPECT_TRUE(Files::remove(path("tree")));
    EXPECT_FALSE(Files::exists(path("tree")));
    EXPECT_FALSE(Files::remove(path("tree")));
    EXPECT_TRUE(Files::listDirectory(path("tree")).empty());
    EXPECT_FALSE(Files::fileSize(path("tree")));
    EXPECT_FALSE(Files::modificationDate(path("tree")));
}

TEST_F(FilesTest, MoveAsideKeepsEveryBadFile) {
    platform::Clock::setVirtualNow(1800000123.75);
    std::string file = path("prefs.plist");
    ASSERT_TRUE(Files::writeAtomically(file, Data::fromString("garbage 1")));
    testsupport::LogCapture log;
    auto first = Files::moveAside(file);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, file + ".unreadable-1800000123");
    EXPECT_TRUE(log.contains(file));
    EXPECT_TRUE(log.contains("moved it aside"));
    EXPECT_FALSE(Files::exists(file));
    // A second bad file in the same second does not overwrite the first one's remains.
    ASSERT_TRUE(Files::writeAtomically(file, Data::fromString("garbage 2")));
    auto second = Files::moveAside(file);
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *first);
    EXPECT_EQ(Files::read(*first)->toString(), "garbage 1");
    EXPECT_EQ(Files::read(*second)->toString(), "garbage 2");
    EXPECT_FALSE(Files::moveAside(path("nothing-here")));

    // With every name of this second taken, the file stays where it is and no remains are replaced.
    for (int n = 3; n < 1000; ++n)
        ASSERT_TRUE(Files::writeAtomically(file + ".unreadable-1800000123-" + std::to_string(n),
                                           Data::fromString("remains")));
    ASSERT_TRUE(Files::writeAtomically(file, Data::fromString("garbage 3")));
    EXPECT_FALSE(Files::moveAside(file));
    EXPECT_EQ(Files::read(file)->toString(), "garbage 3");
    EXPECT_EQ(Files::read(*second)->toString(), "garbage 2");
    EXPECT_EQ(Files::read(file + ".unreadable-1800000123-999")->toString(), "remains");
}

// The tracker file is appended to: a link put in its place must not carry the line into another file.
TEST_F(FilesTest, AppendingNeverFollowsALinkNorWritesIntoAFolder) {
    const std::string log = path("folder/tracker.csv");
    ASSERT_TRUE(Files::createDirectories(path("folder")));
    ASSERT_TRUE(Files::appendToFile(log, Data::fromString("one")));
    ASSERT_TRUE(Files::appendToFile(log, Data::fromString("\ntwo")));
    EXPECT_EQ(Files::read(log)->toString(), "one\ntwo");
    EXPECT_EQ(modeOf(log), 0600u);

    const std::string other = path("someone-elses.txt");
    ASSERT_TRUE(Files::writeAtomically(other, Data::fromString("theirs")));
    ASSERT_EQ(::unlink(log.c_str()), 0);
    ASSERT_EQ(::symlink(other.c_str(), log.c_str()), 0);
    testsupport::LogCapture lines;
    EXPECT_FALSE(Files::appendToFile(log, Data::fromString("\nthree")));
    EXPECT_EQ(Files::read(other)->toString(), "theirs");
    EXPECT_TRUE(lines.contains("a link is in its place"));
    // A dangling link is not followed to create its target either.
    const std::string dangling = path("folder/dangling.csv");
    ASSERT_EQ(::symlink(path("nowhere.txt").c_str(), dangling.c_str()), 0);
    EXPECT_FALSE(Files::appendToFile(dangling, Data::fromString("x")));
    EXPECT_FALSE(Files::exists(path("nowhere.txt")));
    EXPECT_FALSE(Files::appendToFile(path("folder"), Data::fromString("x")));
}

// A photo record may point anywhere once damaged: only the one regular file may go.
TEST_F(FilesTest, RemovingARegularFileLeavesFoldersAndLinkedFilesAlone) {
    ASSERT_TRUE(Files::writeAtomically(path("tree/inside.png"), Data::fromString("1")));
    ASSERT_TRUE(Files::writeAtomically(path("photo.png"), Data::fromString("2")));
    ASSERT_EQ(::symlink(path("tree/inside.png").c_str(), path("link.png").c_str()), 0);
    testsupport::LogCapture log;
    EXPECT_FALSE(Files::removeRegularFile(path("tree")));
    EXPECT_FALSE(Files::removeRegularFile(path("link.png")));
    EXPECT_TRUE(Files::exists(path("tree/inside.png")));
    EXPECT_TRUE(Files::exists(path("link.png")));
    EXPECT_TRUE(log.contains("a folder, not a file"));
    EXPECT_TRUE(log.contains("a link, not a file"));
    EXPECT_FALSE(Files::isRegularFile(path("link.png")));
    EXPECT_FALSE(Files::isRegularFile(path("tree")));
    EXPECT_TRUE(Files::isRegularFile(path("photo.png")));
    EXPECT_TRUE(Files::removeRegularFile(path("photo.png")));
    EXPECT_FALSE(Files::exists(path("photo.png")));
    EXPECT_FALSE(Files::removeRegularFile(path("photo.png")));  // nothing there: nothing to say
}

// The photos are many files of changing names: their folder's leftovers go whatever file they were of.
TEST_F(FilesTest, LeftoversOfAnyFileInAFolderAreRemovedAndNothingElse) {
    const std::vector<std::string> leftovers = {".2026-03-04 05:06:07.png.tmp-a1B2c3", ".b.png.tmp-XYZ789"};
    const std::vector<std::string> kept = {"2026-03-04 05:06:07.png", ".b.png.tmp-short", "b.png.tmp-a1B2c3",
                                           ".tmp-a1B2c3"};
    for (const auto& name : leftovers) ASSERT_TRUE(Files::writeAtomically(path("shots/" + name), Data()));
    for (const auto& name : kept) ASSERT_TRUE(Files::writeAtomically(path("shots/" + name), Data()));
    ASSERT_TRUE(Files::createDirectories(path("shots/.c.png.tmp-folder")));
    EXPECT_EQ(Files::removeLeftoverTemporaryFilesInFolder(path("shots")), 2u);
    for (const auto& name : leftovers) EXPECT_FALSE(Files::exists(path("shots/" + name))) << name;
    for (const auto& name : kept) EXPECT_TRUE(Files::exists(path("shots/" + name))) << name;
    EXPECT_TRUE(Files::isDirectory(path("shots/.c.png.tmp-folder")));
    EXPECT_EQ(Files::removeLeftoverTemporaryFilesInFolder(path("no-such-folder")), 0u);
}

TEST_F(FilesTest, PathComponents) {
    EXPECT_EQ(Files::parentPath("/a/b/c"), "/a/b");
    EXPECT_EQ(Files::parentPath("/a"), "/");
    EXPECT_EQ(Files::parentPath("name"), "");
    EXPECT_EQ(Files::lastPathComponent("/a/b/c.plist"), "c.plist");
    EXPECT_EQ(Files::lastPathComponent("c"), "c");
}

class StandardFoldersTest : public testsupport::KestruneTest {};

TEST_F(StandardFoldersTest, FollowsTheEnvironmentOnEveryCall) {
    EXPECT_EQ(StandardFolders::home(), home());
    EXPECT_EQ(StandardFolders::applicationSupport(), home() + "/.local/share");
    EXPECT_EQ(StandardFolders::library(), home() + "/.local/state");
    EXPECT_EQ(StandardFolders::caches(), home() + "/.cache");
    EXPECT_EQ(StandardFolders::config(), home() + "/.config");
    EXPECT_EQ(StandardFolders::documents(), home() + "/Documents");

    setenv("XDG_DATA_HOME", "/elsewhere/data/", 1);
    setenv("XDG_CACHE_HOME", "/elsewhere/cache", 1);
    EXPECT_EQ(StandardFolders::applicationSupport(), "/elsewhere/data");
    EXPECT_EQ(StandardFolders::caches(), "/elsewhere/cache");
}

TEST_F(StandardFoldersTest, UnsetEmptyOrRelativeVariablesFallBackToHome) {
    unsetenv("XDG_DATA_HOME");
    setenv("XDG_STATE_HOME", "", 1);
    setenv("XDG_CACHE_HOME", "relative/cache", 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(StandardFolders::applicationSupport(), home() + "/.local/share");
    EXPECT_EQ(StandardFolders::library(), home() + "/.local/state");
    EXPECT_EQ(StandardFolders::caches(), home() + "/.cache");
    EXPECT_EQ(StandardFolders::config(), home() + "/.config");
    EXPECT_EQ(StandardFolders::documents(), home() + "/Documents");

    setenv("HOME", "/other/home", 1);
    EXPECT_EQ(StandardFolders::config(), "/other/home/.config");
    unsetenv("HOME");
    EXPECT_FALSE(StandardFolders::home().empty());
    EXPECT_EQ(StandardFolders::home()[0], '/');

    const char* saved = getenv("TMPDIR");
    std::string savedTmp = saved ? saved : "";
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ(StandardFolders::temporary(), "/var/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(StandardFolders::temporary(), "/tmp");
    if (saved) setenv("TMPDIR", savedTmp.c_str(), 1);
}
