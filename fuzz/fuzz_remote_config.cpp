// The configuration document comes from a web server: any body must give the two versions (dotted
// numbers or none) or be refused, leaving the last configuration as it was.
#include <cstddef>
#include <cstdint>

#include "features/updates/RemoteChecker.h"
#include "platform/base/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    auto parsed = kestrune::RemoteConfigFetch::parseConfigData(platform::Data(bytes, size));
    if (!parsed.root) {
        if (parsed.error.empty()) __builtin_trap();  // a refusal always says why
        return 0;
    }
    kestrune::ConfigFile config;
    config.setVersions("before", "before");
    const bool taken = kestrune::RemoteChecker::readConfiguration(*parsed.root, config);
    if (taken != (parsed.root->dictionary() != nullptr)) __builtin_trap();
    if (!taken && (config.iOSVersion() != "before" || config.macVersion() != "before")) __builtin_trap();
    if (taken) {
        const auto& ios = (*parsed.root)["iOSVersion"];
        // A version kept is the document's text, and only digits and dots; any other is missing.
        if (config.iOSVersion() && (!ios.string() || *config.iOSVersion() != *ios.string())) __builtin_trap();
        if (config.iOSVersion() && config.iOSVersion()->find_first_not_of("0123456789.") != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
