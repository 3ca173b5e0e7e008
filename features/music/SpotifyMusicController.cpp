#include "features/music/SpotifyMusicController.h"

namespace kestrune {

bool SpotifyMusicController::isRunningAndPlaying() {
    auto application = currentApplication();
    return application && application->isRunning() &&
           application->stringPropertyNamed("playerState") == kPlayerStatePlaying;
}

bool SpotifyMusicController::playIfRunningAndNotPlaying() {
    auto application = currentApplication();
    if (!application || !application->isRunning()) return false;
    if (application->stringPropertyNamed("playerState") == kPlayerStatePlaying) return false;
    application->sendCommand("play");
    return true;
}

bool SpotifyMusicController::pauseIfPlaying() {
    if (!isRunningAndPlaying()) return false;
    currentApplication()->sendCommand("pause");
    return true;
}

}  // namespace kestrune
