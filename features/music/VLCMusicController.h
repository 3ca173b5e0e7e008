#pragma once

#include "features/music/AbstractMusicController.h"

namespace kestrune {

// VLC: playing while its "playing" is true. Its script command "play" toggles, so it both starts and
// pauses; it goes through "osascript".
class VLCMusicController : public AbstractMusicController {
public:
    int32_t type() const override { return kTypeVLC; }
    bool isRunningAndPlaying() override;
    bool playIfRunningAndNotPlaying() override;
    bool pauseIfPlaying() override;
    std::optional<std::string> appName() const override { return std::string("VLC"); }
};

}  // namespace kestrune
