#include "app/records/FTWDevice.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "app/support/MD5.h"
#include "app/support/StringAddition.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Screen.h"

namespace kestrune {

namespace {

std::optional<std::string> firstLineOfFile(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) return std::nullopt;
    return platform::trimWhitespace(line);
}

std::optional<uint32_t> lowWord(long long value) {
    if (value < 0) return std::nullopt;
    return static_cast<uint32_t>(static_cast<unsigned long long>(value));
}

std::optional<struct statvfs> homeVolume() {
    struct statvfs volume {};
    if (statvfs(platform::StandardFolders::home().c_str(), &volume) != 0) return std::nullopt;
    return volume;
}

}  // namespace

std::string FTWDevice::currentDeviceLocalizedName() {
    return removeNumberFromStringInBrackets(FTWDevice().localizedName());
}

int32_t FTWDevice::currentDeviceFamily() {
    return FTWDevice().deviceFamily();
}

FTWDevice& FTWDevice::currentDevice() {
    static FTWDevice device;
    return device;
}

std::string FTWDevice::name() const {
    return platform::ProcessInfo::shared().hostName();
}

std::string FTWDevice::localizedName() const {
    const char* computerName = getenv("KESTRUNE_COMPUTER_NAME");
    if (computerName && *computerName) return computerName;
    return name();
}

std::string FTWDevice::systemName() const {
    return "OS X";
}

std::string FTWDevice::systemVersion() const {
    auto parts = platform::SystemVersion::currentParts();
    return platform::format("%d.%d.%d", parts.major, parts.minor, parts.patch);
}

std::string FTWDevice::hardwareModel() const {
    return platform::Host::machineModel();
}

std::string FTWDevice::platform() const {
    struct utsname names {};
    if (uname(&names) != 0) return "";
    return names.machine;
}

int32_t FTWDevice::deviceFamilyForModel(const std::string& modelIdentifier) {
    // The longer MacBook prefixes are tested before the plain one.
    static const std::pair<const char*, int32_t> prefixes[] = {
        {"Macmini", 5}, {"MacBookAir", 0}, {"MacBookPro", 1}, {"MacPro", 3}, {"iMac", 4}, {"MacBook", 2}};
    for (const auto& [prefix, family] : prefixes)
        if (platform::hasPrefix(modelIdentifier, prefix)) return family;
    return 6;
}

int32_t FTWDevice::deviceFamily() const {
    return deviceFamilyForModel(hardwareModel());
}

std::string FTWDevice::model() const {
    switch (deviceFamily()) {
        case 0:
            return "MacBook Air";
        case 1:
            return "MacBook Pro";
        case 2:
            return "MacBook";
        case 3:
            return "Mac Pro";
        case 4:
            return "iMac";
        case 5:
            return "Mac mini";
        default:
            return "";
    }
}

std::optional<uint32_t> FTWDevice::CPUFrequency() const {
    // Reported in kHz.
    auto text = firstLineOfFile("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    auto kiloHertz = text ? platform::Number::parse(*text) : std::nullopt;
    if (!kiloHertz) return std::nullopt;
    return lowWord(kiloHertz->longLongValue() * 1000);
}

std::optional<uint32_t> FTWDevice::busFrequency() const {
    return std::nullopt;  // not reported on this system
}

std::optional<uint32_t> FTWDevice::CPUCount() const {
    return lowWord(sysconf(_SC_NPROCESSORS_CONF));
}

std::optional<uint32_t> FTWDevice::totalMemory() const {
    long pages = sysconf(_SC_PHYS_PAGES);
    long size = sysconf(_SC_PAGESIZE);
    if (pages < 0 || size < 0) return std::nullopt;
    return lowWord(static_cast<long long>(pages) * size);
}

std::optional<uint32_t> FTWDevice::userMemory() const {
    long pages = sysconf(_SC_AVPHYS_PAGES);
    long size = sysconf(_SC_PAGESIZE);
    if (pages < 0 || size < 0) return std::nullopt;
    return lowWord(static_cast<long long>(pages) * size);
}

std::optional<platform::Number> FTWDevice::totalDiskSpace() const {
    auto volume = homeVolume();
    if (!volume) return std::nullopt;
    return platform::Number(static_cast<unsigned long long>(volume->f_blocks) * volume->f_frsize);
}

std::optional<platform::Number> FTWDevice::freeDiskSpace() const {
    auto volume = homeVolume();
    if (!volume) return std::nullopt;
    return platform::Number(static_cast<unsigned long long>(volume->f_bavail) * volume->f_frsize);
}

bool FTWDevice::isRetina() const {
    auto screen = platform::ui::Screen::mainScreen();
    return screen && screen->backingScaleFactor() == 2.0;
}

std::string FTWDevice::serialNumber() const {
    auto serial = firstLineOfFile("/sys/class/dmi/id/product_serial");
    return serial && !serial->empty() ? *serial : "unknown";
}

std::optional<std::string> FTWDevice::MACAddress() const {
    const std::string folder = "/sys/class/net";
    if (!platform::Files::isDirectory(folder)) return std::string();
    for (const auto& interface : platform::Files::listDirectory(folder)) {
        if (interface == "lo") continue;
        auto address = firstLineOfFile(folder + "/" + interface + "/address");
        if (!address) continue;
        unsigned bytes[6];
        if (sscanf(address->c_str(), "%x:%x:%x:%x:%x:%x", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                   &bytes[4], &bytes[5]) != 6)
            continue;
        if ((bytes[0] | bytes[1] | bytes[2] | bytes[3] | bytes[4] | bytes[5]) == 0) continue;
        return platform::format("%02X:%02x:%02X:%02X:%02X:%02X", bytes[0], bytes[1], bytes[2], bytes[3],
                                bytes[4], bytes[5]);
    }
    return std::nullopt;
}

std::string FTWDevice::uniqueIdentifier() const {
    return MD5Hash(name() + MACAddress().value_or(""));
}

}  // namespace kestrune
