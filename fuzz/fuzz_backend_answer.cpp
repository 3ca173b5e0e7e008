// Answers of the hosted backend come from a server: any bytes give records or none, never a crash, and
// every record read has an identifier and fields that convert back to JSON.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/backend/BackendClient.h"
#include "platform/backend/BackendQuery.h"
#include "platform/base/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool quiet = (platform::Log::setSink([](const std::string&) {}), true);
    (void)quiet;
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    const nlohmann::json answer = nlohmann::json::parse(text, nullptr, false);
    auto objects = platform::BackendQuery::resultsFromAnswer("PairedDevices", answer);
    if (!objects) return 0;
    for (const auto& object : *objects) {
        if (!object->objectId() || object->objectId()->empty()) __builtin_trap();
        for (const auto& [key, value] : object->fields())
            (void)platform::BackendClient::JSONFromValue(value).dump(
                -1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    return 0;
}
