#include "app/shell/SoundManager.h"

#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/Bundle.h"
#include "platform/system/Workspace.h"

namespace kestrune {

SoundManager& SoundManager::shared() {
    static platform::SharedInstance<SoundManager> instance;
    return instance.get([] { return new SoundManager; });
}

void SoundManager::playSoundWithFileName_type(const std::string& name, const std::string& type) {
    auto path = platform::Bundle::main().pathForResource(name, type);
    if (!path) {
        platform::logf("SoundManager: no sound resource %s.%s in the bundle", name.c_str(), type.c_str());
        return;
    }
    platform::SystemSound::playFile(*path);
}

void SoundManager::playErrorSound() {
    playSoundWithFileName_type("error", "wav");
}
void SoundManager::playErrorSound2() {
    playSoundWithFileName_type("error_sound", "wav");
}
void SoundManager::playFinishSound() {
    playSoundWithFileName_type("ding1", "wav");
}
void SoundManager::playDingSound() {
    playSoundWithFileName_type("ding1", "wav");
}
void SoundManager::playClap() {
    playSoundWithFileName_type("clap", "wav");
}
void SoundManager::playFoundNewDeviceSound() {
    playSoundWithFileName_type("new_device_found", "mp3");
}

}  // namespace kestrune
