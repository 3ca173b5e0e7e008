#include "platform/system/SystemVersion.h"

#include <cstdlib>
#include <mutex>

#include "platform/base/Number.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {
std::mutex gVersionMutex;
std::optional<std::string> gOverride;
}  // namespace

std::string SystemVersion::current() {
    {
        std::lock_guard lock(gVersionMutex);
        if (gOverride) return *gOverride;
    }
    const char* env = getenv("KESTRUNE_SYSTEM_VERSION");
    if (env && *env) return env;
    return kDefault;
}

void SystemVersion::setOverride(std::optional<std::string> version) {
    std::lock_guard lock(gVersionMutex);
    gOverride = std::move(version);
}

SystemVersion::Parts SystemVersion::parse(const std::string& text) {
    Parts parts;
    auto fields = split(text, ".");
    int* slots[] = {&parts.major, &parts.minor, &parts.patch};
    for (size_t i = 0; i < fields.size() && i < 3; ++i) {
        auto n = Number::parse(fields[i]);
        *slots[i] = (n && n->isIntegral()) ? n->intValue() : 0;
    }
    return parts;
}

SystemVersion::Parts SystemVersion::currentParts() {
    return parse(current());
}

std::string SystemVersion::buildVersion() {
    const char* env = getenv("KESTRUNE_SYSTEM_BUILD");
    return (env && *env) ? env : "18G103";
}

std::string Host::machineModel() {
    const char* env = getenv("KESTRUNE_MACHINE_MODEL");
    return (env && *env) ? env : "MacBookPro15,1";
}

}  // namespace platform
