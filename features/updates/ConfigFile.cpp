#include "features/updates/ConfigFile.h"

namespace kestrune {

std::optional<std::string> ConfigFile::iOSVersion() const {
    std::lock_guard lock(mutex_);
    return iOSVersion_;
}

std::optional<std::string> ConfigFile::macVersion() const {
    std::lock_guard lock(mutex_);
    return macVersion_;
}

void ConfigFile::setVersions(std::optional<std::string> iOSVersion, std::optional<std::string> macVersion) {
    std::lock_guard lock(mutex_);
    iOSVersion_ = std::move(iOSVersion);
    macVersion_ = std::move(macVersion);
}

}  // namespace kestrune
