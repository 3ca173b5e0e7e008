#include "features/music/MusicControllerFactory.h"

#include "features/music/QuickTimeMusicController.h"
#include "features/music/SpotifyMusicController.h"
#include "features/music/VLCMusicController.h"
#include "features/music/iTunesMusicController.h"

namespace kestrune {

std::shared_ptr<AbstractMusicController> MusicControllerFactory::createMusicControllerForType(int32_t type) {
    switch (type) {
        case AbstractMusicController::kTypeITunes:
            return std::make_shared<iTunesMusicController>();
        case AbstractMusicController::kTypeVLC:
            return std::make_shared<VLCMusicController>();
        case AbstractMusicController::kTypeQuickTime:
            return std::make_shared<QuickTimeMusicController>();
        case AbstractMusicController::kTypeSpotify:
            return std::make_shared<SpotifyMusicController>();
        default:
            return nullptr;
    }
}

}  // namespace kestrune
