#include "features/music/VLCMusicController.h"

namespace kestrune {

bool VLCMusicController::isRunningAndPlaying() {
    auto application = currentApplication();
    return application && application->isRunning() && application->boolPropertyNamed("playing") == true;
}

bool VLCMusicController::playIfRunningAndNotPlaying() {
    auto application = currentApplication();
    if (!application || !application->isRunning()) return false;
    if (application->boolPropertyNamed("playing") == true) return false;
    tellCurrentAppToExecuteTerminalCommand("play");
    return true;
}

bool VLCMusicController::pauseIfPlaying() {
    if (!isRunningAndPlaying()) return false;
    tellCurrentAppToExecuteTerminalCommand("play");
    return true;
}

}  // namespace kestrune
