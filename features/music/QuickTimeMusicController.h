#pragma once

#include <optional>

#include "features/music/AbstractMusicController.h"

namespace kestrune {

// QuickTime Player: playing while any of its documents plays. It pauses the first playing document and
// later resumes only that one, found again by its file.
class QuickTimeMusicController : public AbstractMusicController {
public:
    int32_t type() const override { return kTypeQuickTime; }
    bool isRunningAndPlaying() override;
    bool playIfRunningAndNotPlaying() override;
    bool pauseIfPlaying() override;
    std::optional<std::string> appName() const override { return std::string("QuickTime Player"); }

    // The document it paused, until it is resumed or given up.
    const std::optional<platform::ScriptableObject>& stoppedDocument() const { return stoppedDocument_; }

private:
    std::optional<platform::ScriptableObject> stoppedDocument_;
};

}  // namespace kestrune
