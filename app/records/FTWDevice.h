#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Number.h"

namespace kestrune {

// This Mac's hardware and system facts, read anew on every call.
class FTWDevice {
public:
    // The localized computer name without a bracketed counter; the family code of the model.
    static std::string currentDeviceLocalizedName();
    static int32_t currentDeviceFamily();
    static FTWDevice& currentDevice();

    // The host's name, and its localized (computer) name: KESTRUNE_COMPUTER_NAME on the simulated
    // system, else the host's name.
    std::string name() const;
    std::string localizedName() const;
    std::string systemName() const;
    // "major.minor.patch".
    std::string systemVersion() const;
    // The model identifier (a family word followed by digits).
    std::string hardwareModel() const;
    // The machine's architecture.
    std::string platform() const;
    // 0 MacBook Air, 1 MacBook Pro, 2 MacBook, 3 Mac Pro, 4 iMac, 5 Mac mini, 6 none of them.
    int32_t deviceFamily() const;
    static int32_t deviceFamilyForModel(const std::string& modelIdentifier);
    // The family's display name; "" for no known family.
    std::string model() const;

    // Hardware values as 32-bit unsigned numbers (none where this system does not tell them).
    std::optional<uint32_t> CPUFrequency() const;
    std::optional<uint32_t> busFrequency() const;
    std::optional<uint32_t> CPUCount() const;
    std::optional<uint32_t> totalMemory() const;
    std::optional<uint32_t> userMemory() const;
    // Size and free size in bytes of the volume of the user's home folder.
    std::optional<platform::Number> totalDiskSpace() const;
    std::optional<platform::Number> freeDiskSpace() const;

    // Whether the main screen draws at exactly twice its point size.
    bool isRetina() const;

    // The machine's serial number, or "unknown".
    std::string serialNumber() const;
    // The primary network interface's hardware address; "" when the interfaces cannot be listed, none
    // when there is no such interface.
    std::optional<std::string> MACAddress() const;
    // The MD5 text of the name followed by the hardware address.
    std::string uniqueIdentifier() const;
};

}  // namespace kestrune
