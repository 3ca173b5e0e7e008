#include "platform/system/Workspace.h"

#include "platform/storage/Files.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/support/TestEnvironment.h"

namespace {

class WorkspaceTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        platform::WorkspaceBackend::install(nullptr);
        KestruneTest::TearDown();
    }
};

TEST_F(WorkspaceTest, RequestsGoToTheInstalledBackendOnly) {
    const std::string sound = home() + "/ping.wav";
    ASSERT_TRUE(platform::Files::writeAtomically(sound, platform::Data::fromString("RIFF")));
    {
        testsupport::LogCapture log;
        platform::Workspace::shared().activateFileViewerSelectingFiles({"/tmp/a.png"});
        EXPECT_TRUE(platform::SystemSound::playFile(sound));
        EXPECT_TRUE(log.contains("no file browser to reveal /tmp/a.png"));
    }
    auto recorder = std::make_shared<platform::WorkspaceRecorder>();
    platform::WorkspaceBackend::install(recorder);
    platform::Workspace::shared().activateFileViewerSelectingFiles({"/tmp/b.png", "/tmp/c.png"});
    EXPECT_TRUE(platform::SystemSound::playFile(sound));
    EXPECT_FALSE(platform::SystemSound::playFile(home() + "/missing.wav"));  // never reaches the player
    EXPECT_FALSE(platform::SystemSound::playFile(""));
    EXPECT_EQ(recorder->revealedFiles(), (std::vector<std::string>{"/tmp/b.png", "/tmp/c.png"}));
    EXPECT_EQ(recorder->playedSounds(), std::vector<std::string>{sound});
}

}  // namespace
