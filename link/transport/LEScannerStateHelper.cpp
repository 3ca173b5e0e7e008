#include "link/transport/LEScannerStateHelper.h"

#include <array>

namespace kestrune {

namespace {

// "%@" stands for the peripheral's identifier.
constexpr std::array<std::string_view, 14> kStateFormats = {
    "STATE: Peripheral detected %@",
    "STATE: Peripheral connecting %@",
    "STATE: Peripheral connected %@",
    "STATE: Peripheral scanning for services %@",
    "STATE: Peripheral scanning for services second attempt %@",
    "STATE: Peripheral scanning for characteristics %@",
    "STATE: No appropriate characteristics found %@",
    "STATE: Peripheral subscribing for notifications %@",
    "STATE: Peripheral authentificationn %@",
    "STATE: Authentificaiton Failed %@",
    "STATE: Peripheral full connection %@",
    "STATE: Disconnecting because of connection error %@",
    "STATE: Disconnecting %@",
    "STATE: Disconnecting disconnected %@",
};

}  // namespace

bool LEScannerStateHelper::scannerStateIsConnecting(int64_t state) {
    switch (state) {
        case 3:
        case 4:
        case 5:
        case 7:
        case 8:
        case 10:
            return true;
        default:
            return false;
    }
}

std::optional<std::string> LEScannerStateHelper::scannerStateToString_forPeripheral(
    int64_t state, std::string_view peripheralIdentifier) {
    if (state < 0 || state >= static_cast<int64_t>(kStateFormats.size())) return std::nullopt;
    const std::string_view format = kStateFormats[static_cast<size_t>(state)];
    const size_t marker = format.find("%@");
    std::string text(format.substr(0, marker));
    text += peripheralIdentifier;
    text += format.substr(marker + 2);
    return text;
}

}  // namespace kestrune
