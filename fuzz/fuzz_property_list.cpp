// Property lists arrive from files other programs may have touched: any bytes must give a value or none.
#include <cstddef>
#include <cstdint>

#include "platform/base/Log.h"
#include "platform/storage/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    platform::Data data(bytes, size);
    auto value = platform::PropertyList::valueFromData(data);
    if (!value) return 0;
    // What was read must write again in both formats, and the binary form must read back.
    for (auto format : {platform::PropertyList::Format::XML, platform::PropertyList::Format::Binary}) {
        auto written = platform::PropertyList::dataFromValue(*value, format);
        if (!written) continue;  // e.g. a date outside the held range is clamped, a NaN stays a NaN
        auto again = platform::PropertyList::valueFromData(*written);
        if (format == platform::PropertyList::Format::Binary && !again) __builtin_trap();
    }
    return 0;
}
