#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune {

// Log texts of a phone connection's states 0 to 13 and which of them count as connecting.
class LEScannerStateHelper {
public:
    // States 3, 4, 5, 7, 8 and 10.
    static bool scannerStateIsConnecting(int64_t state);
    // The state's text with the peripheral identifier's UUID text in place of "%@"; none for a state
    // outside 0 to 13.
    static std::optional<std::string> scannerStateToString_forPeripheral(
        int64_t state, std::string_view peripheralIdentifier);
};

}  // namespace kestrune
