#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace reporting {

// What the kit reports about the machine: the (simulated) system version and build, and the model.

// Fills major, minor and patch from the system version.
void RKTHostGetOSVersion(int64_t* major, int64_t* minor, int64_t* patch);
// The kit's version code, from the minor version alone: 6-9 give 1060-1090, 10-14 give 101000-101400,
// anything else 0.
uint32_t RKTHostOSVersionCode();
// "major.minor.patch".
std::string RKTHostOperatingSystemDisplayVersion();
std::optional<std::string> RKTHostOperatingSystemBuildVersion();
std::optional<std::string> RKTHostModelName();
// A system fact by its sysctl name, at most 127 bytes. "kern.osversion" and "hw.model" are the
// simulated system's build and model; any other name is read from /proc/sys (dots become folders, as
// Linux's sysctl names them). None when it cannot be read.
std::optional<std::string> RKTHostSysctlString(const std::string& name);

}  // namespace reporting
