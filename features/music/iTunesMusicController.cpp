#include "features/music/iTunesMusicController.h"

namespace kestrune {

bool iTunesMusicController::isRunningAndPlaying() {
    auto application = currentApplication();
    return application && application->isRunning() &&
           application->stringPropertyNamed("playerState") == kPlayerStatePlaying;
}

bool iTunesMusicController::playIfRunningAndNotPlaying() {
    auto application = currentApplication();
    if (!application || !application->isRunning()) return false;
    if (application->stringPropertyNamed("playerState") == kPlayerStatePlaying) return false;
    application->sendCommand("playpause");
    return true;
}

bool iTunesMusicController::pauseIfPlaying() {
    if (!isRunningAndPlaying()) return false;
    currentApplication()->sendCommand("playpause");
    return true;
}

}  // namespace kestrune
