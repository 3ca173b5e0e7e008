#pragma once

#include <string>

namespace kestrune {

// The sounds kept in the application bundle.
class SoundManager {
public:
    static SoundManager& shared();

    // Plays the bundle resource "<name>.<type>" at once; a missing resource is logged and skipped.
    static void playSoundWithFileName_type(const std::string& name, const std::string& type);
    static void playErrorSound();
    static void playErrorSound2();
    static void playFinishSound();
    static void playDingSound();
    static void playClap();
    static void playFoundNewDeviceSound();
};

}  // namespace kestrune
