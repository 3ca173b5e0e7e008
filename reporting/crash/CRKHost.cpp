#include "reporting/crash/CRKHost.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/base/Strings.h"
#include "platform/system/SystemVersion.h"
#include "reporting/core/RKTHost.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

std::string machineName() {
    struct utsname name;
    if (uname(&name) != 0) return "(failed)";
    return name.machine;
}

std::string processorName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (platform::hasPrefix(line, "model name")) {
            const auto colon = line.find(':');
            if (colon != std::string::npos) return platform::trimWhitespace(line.substr(colon + 1));
        }
    }
    return "(failed)";
}

// The current locale identifier in the platform's form ("en_US"), from the environment.
std::string localeIdentifier() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(name);
        if (!value || !*value) continue;
        std::string identifier(value);
        identifier = identifier.substr(0, identifier.find_first_of(".@"));
        if (identifier == "C" || identifier == "POSIX") return "en_US_POSIX";
        return identifier;
    }
    return "en_US_POSIX";
}

}  // namespace

uint64_t CRKHostGetPageSize() {
    const long size = sysconf(_SC_PAGESIZE);
    if (size <= 0) {
        CRKSDKLOG_WARN("sysctlbyname failed while trying to get hw.pagesize\n");
        return 4096;
    }
    return static_cast<uint64_t>(size);
}

uint32_t CRKHostOSVersionNumber() {
    static const uint32_t numbers[] = {1060,   1070,   1080,   1090,   101000, 101100,
                                       101200, 101300, 101400, 101500, 101600};
    const int minor = platform::SystemVersion::currentParts().minor;
    if (minor < 6 || minor > 16) return 0;
    return numbers[minor - 6];
}

bool CRKHostRecordMetadata(CRKFile* file) {
    if (!CRKFileIsOpen(file)) return false;
    CRKFileWriteSectionStart(file, "host");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryNSString(file, "model", RKTHostModelName());
    CRKFileWriteHashEntryNSString(file, "machine", machineName());
    CRKFileWriteHashEntryNSString(file, "cpu", processorName());
    CRKFileWriteHashEntryNSString(file, "os_build_version", RKTHostOperatingSystemBuildVersion());
    CRKFileWriteHashEntryNSString(file, "os_display_version", RKTHostOperatingSystemDisplayVersion());
    CRKFileWriteHashEntryString(file, "platform", "mac");
    CRKFileWriteHashEntryNSString(file, "locale", localeIdentifier());
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
    return true;
}

bool CRKHostRecordStorage(CRKFile* file) {
    const CRKContext& context = CRKSharedContext();
    if (!CRKFileIsOpen(file) || !context.readonly) return false;
    // Many homes here have no Documents folder; the home's own volume is then the one the user fills.
    const char* const paths[] = {context.readonly->documentsPath, context.readonly->homePath};
    struct statvfs volume;
    bool examined = false;
    for (const char* path : paths) {
        if (path && statvfs(path, &volume) == 0) {
            examined = true;
            break;
        }
    }
    if (!examined) return false;
    CRKFileWriteSectionStart(file, "storage");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryUInt64(file, "free", uint64_t(volume.f_frsize) * volume.f_bavail);
    CRKFileWriteHashEntryUInt64(file, "total", uint64_t(volume.f_frsize) * volume.f_blocks);
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
    return true;
}

}  // namespace reporting
