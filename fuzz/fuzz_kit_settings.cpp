// The kit settings come from a server: any bytes must give a settings dictionary or none, and the file
// reader must answer the same for them (removing a file it refuses).
#include <cstddef>
#include <cstdint>
#include <string>

#include <unistd.h>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const std::string path = [] {
        platform::Log::setSink([](const std::string&) {});
        return std::string("/tmp/fuzz_kit_settings-") + std::to_string(getpid()) + ".json";
    }();
    const platform::Data data(bytes, size);
    const auto parsed = reporting::RKTSettings::dictionaryFromJSONData(data);

    if (!platform::Files::writeAtomically(path, data)) return 0;
    reporting::RKTSettings settings(path);
    const auto read = settings.settingsDictionary();
    if (parsed.has_value() != read.has_value()) __builtin_trap();
    if (parsed && !(*parsed == *read)) __builtin_trap();
    if (!read && platform::Files::exists(path)) __builtin_trap();  // a refused file is removed
    settings.appNeedsOnboarding();
    settings.appUpdateRequired();
    platform::Files::remove(path);
    return 0;
}
