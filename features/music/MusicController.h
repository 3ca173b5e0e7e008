#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "features/music/AbstractMusicController.h"

namespace kestrune {

// Pauses the music that plays when the Mac locks and resumes the same player when it is unlocked, when
// the setting to pause music on lock is on. Players are consulted in order of priority: iTunes, Spotify,
// QuickTime Player (VLC is not consulted). Used on the main thread; each question to a player may block
// for as long as the player takes to answer (at most 2 s).
class MusicController {
public:
    static MusicController& shared();
    static void resetSharedForTesting();

    const std::vector<std::shared_ptr<AbstractMusicController>>& prioritizedArrayOfMusicControllers() const {
        return prioritizedArrayOfMusicControllers_;
    }
    // The type of the player the last pause paused; 0 when it paused none, and after every resume.
    int32_t musicControllerDidStopMusic() const { return musicControllerDidStopMusic_; }

    void pause();
    void playIfPreviouslyStopped();
    // The first player that plays, else the first that runs, else null.
    std::shared_ptr<AbstractMusicController> primaryMusicController();
    std::shared_ptr<AbstractMusicController> musicControllerOfTypeFromArray(int32_t type) const;

    MusicController();

private:
    std::vector<std::shared_ptr<AbstractMusicController>> prioritizedArrayOfMusicControllers_;
    int32_t musicControllerDidStopMusic_ = AbstractMusicController::kTypeNone;
};

}  // namespace kestrune
