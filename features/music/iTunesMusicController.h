#pragma once

#include "features/music/AbstractMusicController.h"

namespace kestrune {

// iTunes: playing while its player state is 'kPSP'; "playpause" both starts and pauses it.
class iTunesMusicController : public AbstractMusicController {
public:
    int32_t type() const override { return kTypeITunes; }
    bool isRunningAndPlaying() override;
    bool playIfRunningAndNotPlaying() override;
    bool pauseIfPlaying() override;
    std::optional<std::string> appName() const override { return std::string("iTunes"); }
};

}  // namespace kestrune
