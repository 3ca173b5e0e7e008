#include "reporting/core/RKTHost.h"

#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/system/SystemVersion.h"

namespace reporting {

void RKTHostGetOSVersion(int64_t* major, int64_t* minor, int64_t* patch) {
    const auto parts = platform::SystemVersion::currentParts();
    if (major) *major = parts.major;
    if (minor) *minor = parts.minor;
    if (patch) *patch = parts.patch;
}

uint32_t RKTHostOSVersionCode() {
    int64_t minor = 0;
    RKTHostGetOSVersion(nullptr, &minor, nullptr);
    if (minor >= 6 && minor <= 9) return static_cast<uint32_t>(1000 + minor * 10);
    if (minor >= 10 && minor <= 14) return static_cast<uint32_t>(100000 + minor * 100);
    return 0;
}

std::string RKTHostOperatingSystemDisplayVersion() {
    int64_t major = 0, minor = 0, patch = 0;
    RKTHostGetOSVersion(&major, &minor, &patch);
    return platform::format("%ld.%ld.%ld", static_cast<long>(major), static_cast<long>(minor),
                            static_cast<long>(patch));
}

std::optional<std::string> RKTHostOperatingSystemBuildVersion() {
    return RKTHostSysctlString("kern.osversion");
}

std::optional<std::string> RKTHostModelName() {
    return RKTHostSysctlString("hw.model");
}

std::optional<std::string> RKTHostSysctlString(const std::string& name) {
    constexpr size_t kBufferSize = 128;
    std::string value;
    if (name == "kern.osversion") {
        value = platform::SystemVersion::buildVersion();
    } else if (name == "hw.model") {
        value = platform::Host::machineModel();
    } else {
        if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos)
            return std::nullopt;
        auto bytes = platform::Files::read("/proc/sys/" + platform::replaceAll(name, ".", "/"));
        if (!bytes) return std::nullopt;
        value = bytes->toString();
        while (!value.empty() && (value.back() == '\n' || value.back() == '\0')) value.pop_back();
    }
    if (value.size() >= kBufferSize) value.resize(kBufferSize - 1);
    return value;
}

}  // namespace reporting
