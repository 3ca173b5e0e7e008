#include "features/music/QuickTimeMusicController.h"

namespace kestrune {

bool QuickTimeMusicController::isRunningAndPlaying() {
    auto application = currentApplication();
    if (!application || !application->isRunning()) return false;
    for (const auto& document : application->elementsNamed("documents"))
        if (document.boolPropertyNamed("playing") == true) return true;
    return false;
}

bool QuickTimeMusicController::pauseIfPlaying() {
    if (!isRunningAndPlaying()) {
        stoppedDocument_.reset();
        return false;
    }
    for (const auto& document : currentApplication()->elementsNamed("documents")) {
        if (document.boolPropertyNamed("playing") == true) {
            document.sendCommand("pause");
            stoppedDocument_ = document;
            return true;
        }
    }
    // It stopped between the two questions: nothing was paused.
    stoppedDocument_.reset();
    return false;
}

bool QuickTimeMusicController::playIfRunningAndNotPlaying() {
    auto application = currentApplication();
    if (!application || !application->isRunning()) {
        stoppedDocument_.reset();
        return false;
    }
    // A document closed since it was paused has no file to ask for; an unsaved one has none either, and
    // neither may stand for another document.
    std::optional<std::string> stoppedFile;
    if (stoppedDocument_) stoppedFile = stoppedDocument_->stringPropertyNamed("file");
    stoppedDocument_.reset();
    if (!stoppedFile) return false;
    for (const auto& document : application->elementsNamed("documents")) {
        if (document.stringPropertyNamed("file") != stoppedFile) continue;
        if (document.boolPropertyNamed("playing") == true) continue;
        document.sendCommand("play");
        return true;
    }
    return false;
}

}  // namespace kestrune
