#pragma once

#include <cstdint>

namespace kestrune {

// The constant texts of the phone link that the handshake, the framing and the connection share. The
// phone application holds the same texts: changing one breaks every paired phone.

// Ends every frame in both directions.
inline constexpr const char kEndOfMessageMarker[] = ";-;";

// Command words of the handshake layer (request 111).
inline constexpr const char kCommandAuthInit[] = "I!";            // Mac: here is my challenge
inline constexpr const char kCommandAuthData[] = "aD!";           // phone, then Mac: answer and own challenge
inline constexpr const char kCommandAuthDataResponse[] = "aDR!";  // phone: the connection is accepted
inline constexpr const char kCommandShutDown[] = "shutD!";        // both: disconnect request
inline constexpr const char kCommandKeepAlive[] = "kA";           // Mac: keep-alive
inline constexpr const char kCommandKeepAliveRemote[] = "kA!";    // phone: keep-alive
inline constexpr const char kCommandKeepAliveResponse[] = "kB!";  // Mac: answer to the phone's keep-alive

// The version of the handshake this Mac speaks.
inline constexpr const char kProtocolVersion[] = "1.1";

// Request numbers of the transport level.
inline constexpr int32_t kTransportCommandRequest = 111;
inline constexpr int32_t kTransportDataRequest = 112;

// The phone's characteristics: the two the Mac writes to and the two the phone notifies on.
inline constexpr const char kCharacteristicSendingPrimary[] = "DA17";    // written with response
inline constexpr const char kCharacteristicSendingSecondary[] = "DA16";  // written without response
inline constexpr const char kCharacteristicReading[] = "DA18";           // subscribed
inline constexpr const char kCharacteristicReadingFast[] = "DA19";       // must exist, never subscribed

// The key every frame from the phone is encrypted with; the phone application holds the same text.
inline constexpr const char kLinkKey[] = "q8h3k1zv7m2x9c4b6n0w5t7r1y";

}  // namespace kestrune
