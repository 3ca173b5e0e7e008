#include "features/music/MusicController.h"

#include <string>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "features/music/MusicControllerFactory.h"
#include "features/music/QuickTimeMusicController.h"
#include "features/music/VLCMusicController.h"
#include "features/music/iTunesMusicController.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/storage/UserDefaults.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using Strings = std::vector<std::string>;

namespace {

class MusicControllerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        DeviceLocalSettings::resetSharedForTesting();
        platform::UserDefaults::resetAllForTesting();
        MusicController::resetSharedForTesting();
        players = platform::SimulatedMusicPlayers::createWithTheFourPlayers();
        players->install();
        platform::SystemCommands::installResponder(players);
        DeviceLocalSettings::shared().setMusicPauseOnLogout(true);
    }
    void TearDown() override {
        MusicController::resetSharedForTesting();
        platform::ScriptingBackend::install(nullptr);
        platform::SystemCommands::installResponder(nullptr);
        DeviceLocalSettings::resetSharedForTesting();
        platform::UserDefaults::resetAllForTesting();
        KestruneTest::TearDown();
    }

    std::shared_ptr<platform::SimulatedMusicPlayers> players;
};

}  // namespace

TEST_F(MusicControllerTest, APlayingPlayerWinsOverAnEarlierIdleOneAndIsTheOneResumed) {
    players->setRunning("iTunes", true);
    players->setPlaying("Spotify", true);
    auto& music = MusicController::shared();
    music.pause();
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeSpotify);
    EXPECT_FALSE(players->isPlaying("Spotify"));
    music.playIfPreviouslyStopped();
    EXPECT_TRUE(players->isPlaying("Spotify"));
    EXPECT_FALSE(players->isPlaying("iTunes"));
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeNone);
    EXPECT_EQ(players->commandLog(), (Strings{"Spotify: pause", "Spotify: play"}));
}

TEST_F(MusicControllerTest, OfTwoPlayingPlayersOnlyTheFirstByPriorityIsPaused) {
    players->setPlaying("iTunes", true);
    players->setPlaying("Spotify", true);
    auto& music = MusicController::shared();
    music.pause();
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeITunes);
    EXPECT_FALSE(players->isPlaying("iTunes"));
    EXPECT_TRUE(players->isPlaying("Spotify"));
    music.playIfPreviouslyStopped();
    EXPECT_TRUE(players->isPlaying("iTunes"));
    EXPECT_EQ(players->commandLog(), (Strings{"iTunes: playpause", "iTunes: playpause"}));
}

TEST_F(MusicControllerTest, MusicStartedAgainByHandIsLeftAlone) {
    players->setPlaying("Spotify", true);
    auto& music = MusicController::shared();
    music.pause();
    players->setPlaying("Spotify", true);
    players->clearCommandLog();
    music.playIfPreviouslyStopped();
    EXPECT_TRUE(players->commandLog().empty());
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeNone);

    // An idle player that merely runs is chosen, pauses nothing and so is not resumed.
    players->setPlaying("Spotify", false);
    music.pause();
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeNone);
    music.playIfPreviouslyStopped();
    EXPECT_TRUE(players->commandLog().empty());
}

TEST_F(MusicControllerTest, WithTheSettingOffNothingIsPausedOrPlayed) {
    DeviceLocalSettings::shared().setMusicPauseOnLogout(false);
    players->setPlaying("iTunes", true);
    auto& music = MusicController::shared();
    music.pause();
    EXPECT_TRUE(players->isPlaying("iTunes"));
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeNone);

    // Turned off between a lock and an unlock: the player stays paused and remembered.
    DeviceLocalSettings::shared().setMusicPauseOnLogout(true);
    music.pause();
    DeviceLocalSettings::shared().setMusicPauseOnLogout(false);
    music.playIfPreviouslyStopped();
    EXPECT_FALSE(players->isPlaying("iTunes"));
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeITunes);
    DeviceLocalSettings::shared().setMusicPauseOnLogout(true);
    music.playIfPreviouslyStopped();
    EXPECT_TRUE(players->isPlaying("iTunes"));
}

TEST_F(MusicControllerTest, QuickTimeResumesOnlyThePausedDocumentFoundByItsFile) {
    const int64_t clip = players->openDocument("QuickTime Player", "file:///Users/ada/clip.mov", false);
    const int64_t song = players->openDocument("QuickTime Player", "file:///Users/ada/song.m4a", true);
    auto& music = MusicController::shared();
    music.pause();
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeQuickTime);
    EXPECT_EQ(players->documentIsPlaying("QuickTime Player", song), false);
    music.playIfPreviouslyStopped();
    EXPECT_EQ(players->documentIsPlaying("QuickTime Player", song), true);
    EXPECT_EQ(players->documentIsPlaying("QuickTime Player", clip), false);

    // Closed before the unlock: nothing is played, not even a document without a file.
    music.pause();
    players->closeDocument("QuickTime Player", song);
    players->openDocument("QuickTime Player", "", false);
    players->clearCommandLog();
    music.playIfPreviouslyStopped();
    EXPECT_TRUE(players->commandLog().empty());
    EXPECT_FALSE(players->isPlaying("QuickTime Player"));

    // The stopped document is given up either way.
    QuickTimeMusicController quickTime;
    const int64_t again = players->openDocument("QuickTime Player", "file:///Users/ada/song.m4a", true);
    ASSERT_TRUE(quickTime.pauseIfPlaying());
    EXPECT_TRUE(quickTime.stoppedDocument());
    players->setDocumentPlaying("QuickTime Player", again, true);
    EXPECT_FALSE(quickTime.playIfRunningAndNotPlaying());
    EXPECT_FALSE(quickTime.stoppedDocument());
}

TEST_F(MusicControllerTest, VLCIsNotConsultedButToggledThroughItsScriptCommand) {
    players->setPlaying("VLC", true);
    auto& music = MusicController::shared();
    music.pause();
    EXPECT_TRUE(players->isPlaying("VLC"));
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeNone);
    EXPECT_FALSE(music.musicControllerOfTypeFromArray(AbstractMusicController::kTypeVLC));

    auto vlc = MusicControllerFactory::createMusicControllerForType(AbstractMusicController::kTypeVLC);
    ASSERT_TRUE(vlc);
    EXPECT_TRUE(vlc->pauseIfPlaying());
    EXPECT_FALSE(players->isPlaying("VLC"));
    EXPECT_FALSE(vlc->pauseIfPlaying());
    EXPECT_TRUE(vlc->playIfRunningAndNotPlaying());
    EXPECT_TRUE(players->isPlaying("VLC"));
    EXPECT_EQ(players->commandLog(), (Strings{"VLC script: play", "VLC script: play"}));
    EXPECT_FALSE(MusicControllerFactory::createMusicControllerForType(0));
    EXPECT_FALSE(MusicControllerFactory::createMusicControllerForType(5));
}

TEST_F(MusicControllerTest, ASilentPlayerCountsAsNotRunningAfterTwoSeconds) {
    players->setPlaying("iTunes", true);
    players->setSilent("iTunes", true);
    iTunesMusicController iTunes;
    const double start = now();
    EXPECT_FALSE(iTunes.isRunningAndPlaying());
    EXPECT_DOUBLE_EQ(now() - start, 2.0);

    players->setPlaying("Spotify", true);
    auto& music = MusicController::shared();
    music.pause();
    EXPECT_EQ(music.musicControllerDidStopMusic(), AbstractMusicController::kTypeSpotify);
    EXPECT_TRUE(players->isPlaying("iTunes"));
}

TEST_F(MusicControllerTest, APlayerNotInstalledInApplicationsIsNotFound) {
    auto elsewhere = platform::SimulatedMusicPlayers::create();
    elsewhere->addPlayer("Spotify Beta", "com.spotify.client",
                         platform::SimulatedMusicPlayers::Kind::PlayerState);
    elsewhere->setPlaying("Spotify Beta", true);
    elsewhere->install();
    auto& music = MusicController::shared();
    EXPECT_FALSE(music.primaryMusicController());
    music.pause();
    EXPECT_TRUE(elsewhere->isPlaying("Spotify Beta"));
    EXPECT_TRUE(elsewhere->commandLog().empty());
}
