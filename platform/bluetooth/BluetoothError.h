#pragma once

#include <cstdint>

#include "platform/base/Error.h"

namespace platform {

// The failures the Bluetooth layer reports: link-level failures in "CBErrorDomain" and the attribute
// protocol's own error codes, as the peer sent them, in "CBATTErrorDomain".
class BluetoothError {
public:
    static constexpr const char* kDomain = "CBErrorDomain";
    static constexpr const char* kAttributeDomain = "CBATTErrorDomain";

    enum Code : int64_t {
        kUnknown = 0,
        kInvalidParameters = 1,
        kInvalidHandle = 2,
        kNotConnected = 3,
        kOutOfSpace = 4,
        kOperationCancelled = 5,
        kConnectionTimeout = 6,
        kPeripheralDisconnected = 7,
        kUUIDNotAllowed = 8,
        kAlreadyAdvertising = 9,
        kConnectionFailed = 10,
        kConnectionLimitReached = 11,
    };

    // The attribute protocol's error codes.
    enum AttributeCode : int64_t {
        kAttributeInvalidHandle = 1,
        kAttributeReadNotPermitted = 2,
        kAttributeWriteNotPermitted = 3,
        kAttributeInvalidPdu = 4,
        kAttributeInsufficientAuthentication = 5,
        kAttributeRequestNotSupported = 6,
        kAttributeInvalidOffset = 7,
        kAttributeInsufficientAuthorization = 8,
        kAttributePrepareQueueFull = 9,
        kAttributeNotFound = 10,
        kAttributeNotLong = 11,
        kAttributeInsufficientEncryptionKeySize = 12,
        kAttributeInvalidAttributeValueLength = 13,
        kAttributeUnlikelyError = 14,
        kAttributeInsufficientEncryption = 15,
        kAttributeUnsupportedGroupType = 16,
        kAttributeInsufficientResources = 17,
    };

    static Error error(Code code);
    static Error attributeError(AttributeCode code);
};

}  // namespace platform
