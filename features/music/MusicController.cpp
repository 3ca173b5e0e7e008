#include "features/music/MusicController.h"

#include "app/records/DeviceLocalSettings.h"
#include "features/music/MusicControllerFactory.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<MusicController> gSharedMusicController;
}  // namespace

MusicController& MusicController::shared() {
    return gSharedMusicController.get([] { return new MusicController(); });
}

void MusicController::resetSharedForTesting() {
    gSharedMusicController.resetForTesting();
}

MusicController::MusicController() {
    for (int32_t type : {AbstractMusicController::kTypeITunes, AbstractMusicController::kTypeSpotify,
                         AbstractMusicController::kTypeQuickTime}) {
        if (auto controller = MusicControllerFactory::createMusicControllerForType(type))
            prioritizedArrayOfMusicControllers_.push_back(std::move(controller));
    }
}

void MusicController::pause() {
    musicControllerDidStopMusic_ = AbstractMusicController::kTypeNone;
    if (!DeviceLocalSettings::shared().musicPauseOnLogout()) return;
    // A running but idle player is primary only when none plays, and then pauses nothing.
    auto primary = primaryMusicController();
    if (primary && primary->pauseIfPlaying()) musicControllerDidStopMusic_ = primary->type();
}

void MusicController::playIfPreviouslyStopped() {
    if (!DeviceLocalSettings::shared().musicPauseOnLogout()) return;
    if (musicControllerDidStopMusic_ != AbstractMusicController::kTypeNone) {
        if (auto controller = musicControllerOfTypeFromArray(musicControllerDidStopMusic_))
            controller->playIfRunningAndNotPlaying();
    }
    musicControllerDidStopMusic_ = AbstractMusicController::kTypeNone;
}

std::shared_ptr<AbstractMusicController> MusicController::primaryMusicController() {
    for (const auto& controller : prioritizedArrayOfMusicControllers_)
        if (controller->isRunningAndPlaying()) return controller;
    for (const auto& controller : prioritizedArrayOfMusicControllers_)
        if (controller->applicationIsRunning()) return controller;
    return nullptr;
}

std::shared_ptr<AbstractMusicController> MusicController::musicControllerOfTypeFromArray(int32_t type) const {
    for (const auto& controller : prioritizedArrayOfMusicControllers_)
        if (controller->type() == type) return controller;
    return nullptr;
}

}  // namespace kestrune
