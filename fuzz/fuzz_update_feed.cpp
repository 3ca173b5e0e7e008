// The update feed comes from a web server: any body must give an update with a version of
// dotted numbers, or none.
#include <cstddef>
#include <cstdint>

#include "platform/base/Log.h"
#include "platform/services/SoftwareUpdater.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    auto item = platform::SoftwareUpdater::parseFeed(platform::Data(bytes, size));
    if (!item) return 0;
    if (item->version.empty() || item->version.find_first_not_of("0123456789.") != std::string::npos)
        __builtin_trap();
    // Every offered version compares with itself and with the running one without failing.
    if (platform::SoftwareUpdater::compareVersions(item->version, item->version) != 0) __builtin_trap();
    const int forward = platform::SoftwareUpdater::compareVersions(item->version, "1.0.0");
    const int backward = platform::SoftwareUpdater::compareVersions("1.0.0", item->version);
    if (forward != -backward) __builtin_trap();
    return 0;
}
