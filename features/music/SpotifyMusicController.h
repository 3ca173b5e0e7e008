#pragma once

#include "features/music/AbstractMusicController.h"

namespace kestrune {

// Spotify: playing while its player state is 'kPSP'; started with "play", paused with "pause".
class SpotifyMusicController : public AbstractMusicController {
public:
    int32_t type() const override { return kTypeSpotify; }
    bool isRunningAndPlaying() override;
    bool playIfRunningAndNotPlaying() override;
    bool pauseIfPlaying() override;
    std::optional<std::string> appName() const override { return std::string("Spotify"); }
};

}  // namespace kestrune
