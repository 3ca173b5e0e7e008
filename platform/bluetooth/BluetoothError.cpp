#include "platform/bluetooth/BluetoothError.h"

namespace platform {

Error BluetoothError::error(Code code) {
    const char* text = "Unknown error.";
    switch (code) {
        case kUnknown:
            text = "Unknown error.";
            break;
        case kInvalidParameters:
            text = "The specified parameters are invalid.";
            break;
        case kInvalidHandle:
            text = "The specified attribute handle is invalid.";
            break;
        case kNotConnected:
            text = "The device is not currently connected.";
            break;
        case kOutOfSpace:
            text = "The device has run out of space to complete the operation.";
            break;
        case kOperationCancelled:
            text = "The operation was cancelled.";
            break;
        case kConnectionTimeout:
            text = "The connection has timed out unexpectedly.";
            break;
        case kPeripheralDisconnected:
            text = "The specified device has disconnected from us.";
            break;
        case kUUIDNotAllowed:
            text = "The specified UUID is not allowed for this operation.";
            break;
        case kAlreadyAdvertising:
            text = "The peripheral is already advertising.";
            break;
        case kConnectionFailed:
            text = "The connection failed.";
            break;
        case kConnectionLimitReached:
            text = "The device has reached its connection limit.";
            break;
    }
    return Error{kDomain, code, text};
}

Error BluetoothError::attributeError(AttributeCode code) {
    const char* text = "Unlikely error.";
    switch (code) {
        case kAttributeInvalidHandle:
            text = "The handle is invalid.";
            break;
        case kAttributeReadNotPermitted:
            text = "Reading is not permitted.";
            break;
        case kAttributeWriteNotPermitted:
            text = "Writing is not permitted.";
            break;
        case kAttributeInvalidPdu:
            text = "The command is invalid.";
            break;
        case kAttributeInsufficientAuthentication:
            text = "Authentication is insufficient.";
            break;
        case kAttributeRequestNotSupported:
            text = "The request is not supported.";
            break;
        case kAttributeInvalidOffset:
            text = "The offset is invalid.";
            break;
        case kAttributeInsufficientAuthorization:
            text = "Authorization is insufficient.";
            break;
        case kAttributePrepareQueueFull:
            text = "The prepare queue is full.";
            break;
        case kAttributeNotFound:
            text = "The attribute could not be found.";
            break;
        case kAttributeNotLong:
            text = "The attribute is not long.";
            break;
        case kAttributeInsufficientEncryptionKeySize:
            text = "The encryption key size is insufficient.";
            break;
        case kAttributeInvalidAttributeValueLength:
            text = "The value's length is invalid.";
            break;
        case kAttributeUnlikelyError:
            text = "Unlikely error.";
            break;
        case kAttributeInsufficientEncryption:
            text = "Encryption is insufficient.";
            break;
        case kAttributeUnsupportedGroupType:
            text = "The group type is not supported.";
            break;
        case kAttributeInsufficientResources:
            text = "Resources are insufficient.";
            break;
    }
    return Error{kAttributeDomain, code, text};
}

}  // namespace platform
