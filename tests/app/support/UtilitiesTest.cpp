#include "app/support/Utilities.h"

#include <sys/stat.h>

#include "app/support/KestruneHomeFolders.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/SystemVersion.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Files;
using platform::StandardFolders;

namespace {
class UtilitiesTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        platform::ProcessInfo::shared().setArguments({"kestrune"});
    }
    void TearDown() override {
        platform::ProcessInfo::shared().setArguments({});
        platform::SystemVersion::setOverride(std::nullopt);
        unsetenv("KESTRUNE_MACHINE_MODEL");
        KestruneTest::TearDown();
    }
};
}  // namespace

TEST_F(UtilitiesTest, StoredFilesLiveInTheirFoldersUnderFixedNames) {
    EXPECT_EQ(Utilities::applicationFilesDirectory(),
              StandardFolders::applicationSupport() + "/Kestrune/com.kestrune.Kestrune");
    struct stat info {};
    ASSERT_EQ(stat((StandardFolders::applicationSupport() + "/Kestrune").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // The library folder is made even where its XDG stand-in did not exist yet.
    EXPECT_FALSE(Files::exists(StandardFolders::library()));
    std::string applicationData = StandardFolders::library() + "/Kestrune/ApplicationData";
    EXPECT_EQ(Utilities::applicationDataKestruneDirectoryFilePath(),
              applicationData + "/com.kestrune.applicationdata");
    EXPECT_EQ(Utilities::applicationDataKestruneLoginImagesDirectory(), applicationData + "/LoginImages");
    EXPECT_EQ(Utilities::applicationDataKestruneFailedLoginImagesDirectory(), applicationData + "/MugShots");
    EXPECT_EQ(Utilities::applicationDataKestruneManualSnapshotsImagesDirectory(),
              applicationData + "/ManualSnapshots");
    EXPECT_TRUE(Files::isDirectory(applicationData + "/MugShots"));
    EXPECT_EQ(Utilities::kestruneDocumentsDirectory(), StandardFolders::documents() + "/Kestrune");
}

TEST_F(UtilitiesTest, AFolderThatCannotBeMadeFallsBackToDocuments) {
    // A file stands where the library folder should be.
    std::string library = KestruneHomeFolders::applicationKestruneLibraryDirectory();
    ASSERT_TRUE(Files::writeAtomically(library, platform::Data::fromString("1")));
    EXPECT_EQ(Utilities::applicationKestruneLibraryDirectoryOrDocumentsFallback(),
              StandardFolders::documents());
    EXPECT_TRUE(Files::isDirectory(StandardFolders::documents()));
    EXPECT_EQ(Utilities::applicationDataKestruneDirectory(),
              StandardFolders::documents() + "/ApplicationData");

    EXPECT_FALSE(Utilities::createDirectoryIfItDoesntExist(home() + "/no/such/parent"));
    EXPECT_TRUE(Utilities::createDirectoryIfItDoesntExist(home() + "/made"));
    EXPECT_TRUE(Utilities::createDirectoryIfItDoesntExist(home() + "/made"));
}

TEST_F(UtilitiesTest, ACleanRunUsesTestFoldersAndDeletesOnlyThem) {
    std::string normal = Utilities::applicationFilesDirectory();
    ASSERT_TRUE(Files::writeAtomically(normal, platform::Data::fromString("1")));
    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run"});
    std::string clean = Utilities::applicationFilesDirectory();
    EXPECT_EQ(clean, StandardFolders::applicationSupport() + "/Kestrune/Test/com.kestrune.Kestrune");
    EXPECT_EQ(Utilities::applicationDataKestruneDirectory(),
              StandardFolders::library() + "/Kestrune/Test/ApplicationData");
    ASSERT_TRUE(Files::writeAtomically(clean, platform::Data::fromString("2")));

    Utilities::deleteAllKestruneFiles();
    EXPECT_FALSE(Files::exists(clean));
    EXPECT_FALSE(Files::exists(StandardFolders::library() + "/Kestrune/Test"));
    EXPECT_TRUE(Files::exists(normal));
}

TEST_F(UtilitiesTest, RemovingAFile) {
    std::string path = home() + "/some file";
    EXPECT_FALSE(Utilities::removeFileAtPath(path));
    ASSERT_TRUE(Files::writeAtomically(path, platform::Data::fromString("1")));
    EXPECT_TRUE(Utilities::removeFileAtPath(path));
    EXPECT_FALSE(Files::exists(path));
}

TEST_F(UtilitiesTest, SystemVersionTexts) {
    platform::SystemVersion::setOverride("10.13.6");
    EXPECT_EQ(Utilities::operatingSystemVersion(), "10.13.6");
    EXPECT_EQ(Utilities::systemVersionOSX(), "Version 10.13.6 ");
    EXPECT_EQ(Utilities::systemVersionNumeric(), "10.13.6 ");
    platform::SystemVersion::setOverride("10.12");
    EXPECT_EQ(Utilities::operatingSystemVersion(), "10.12.0");
}

TEST_F(UtilitiesTest, MachineModelAndRevealingFiles) {
    setenv("KESTRUNE_MACHINE_MODEL", "iMac19,1", 1);
    EXPECT_EQ(Utilities::machineModel(), "iMac19,1");
    auto workspace = std::make_shared<platform::WorkspaceRecorder>();
    platform::WorkspaceBackend::install(workspace);
    Utilities::openAndSelectFileAtPathInFinder("/tmp/photo.png");
    platform::WorkspaceBackend::install(nullptr);
    EXPECT_EQ(workspace->revealedFiles(), std::vector<std::string>{"/tmp/photo.png"});
}
