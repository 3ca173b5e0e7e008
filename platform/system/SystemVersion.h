#pragma once

#include <optional>
#include <string>

namespace platform {

// The version of the simulated desktop system this application believes it runs on. Behaviour that
// switches on the system's version reads it here: 10.14.6 unless KESTRUNE_SYSTEM_VERSION or a test says
// otherwise.
class SystemVersion {
public:
    struct Parts {
        int major = 0;
        int minor = 0;
        int patch = 0;
    };

    static constexpr const char* kDefault = "10.14.6";

    static std::string current();
    static Parts currentParts();
    // Parses "10.14.6" style text; missing parts are 0, anything unreadable is 0 too.
    static Parts parse(const std::string& text);
    // Overrides the version for this process (tests); none restores the environment/default.
    static void setOverride(std::optional<std::string> version);
    // The system's build text that goes with the version ("18G103" style), simulated.
    static std::string buildVersion();
};

// The simulated machine: model identifier and whether it is a laptop.
class Host {
public:
    static std::string machineModel();
};

}  // namespace platform
