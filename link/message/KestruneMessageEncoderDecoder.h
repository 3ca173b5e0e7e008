#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/message/MessageEncoderDecoderInjection.h"

namespace kestrune {

// The system's table of payload record types by request number; both coders of the link (the
// connection controller's and each handshake layer's) use it.
class KestruneMessageEncoderDecoder : public MessageEncoderDecoderInjection {
public:
    KestruneMessageEncoderDecoder();

    // 8 DeviceUser, 9 and 34 SessionInfo, 10 iOSPreferences, 12 and 49 MobileDevice, 32 Device,
    // 35 MobileDeviceTrackInfo, 36 KestruneViewState, 40 MobileSettings, 111 AuthPayload; none otherwise.
    std::optional<std::string> classForMessage(int32_t request) const override;
};

}  // namespace kestrune
