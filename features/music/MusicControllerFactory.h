#pragma once

#include <cstdint>
#include <memory>

#include "features/music/AbstractMusicController.h"

namespace kestrune {

class MusicControllerFactory {
public:
    // A new controller for the player types 1 to 4; null for any other.
    static std::shared_ptr<AbstractMusicController> createMusicControllerForType(int32_t type);
};

}  // namespace kestrune
