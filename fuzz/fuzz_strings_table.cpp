// String tables are files of the bundle that translators edit by hand: any bytes must give a table or
// none, and every text of a table must be UTF-8.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/base/Strings.h"
#include "platform/storage/StringsTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    auto table = platform::StringsTable::parse(std::string_view(reinterpret_cast<const char*>(bytes), size));
    if (!table) return 0;
    for (const auto& [key, value] : *table) {
        if (!platform::isValidUTF8(value)) __builtin_trap();
    }
    return 0;
}
