#include "platform/bluetooth/BluetoothError.h"

namespace platform {

Error BluetoothError::error(Code code) {
    const char* text = "The radio failed for a reason it did not give.";
    switch (code) {
        case kUnknown:
            break;
        case kInvalidParameters:
            text = "The radio refused the request's parameters.";
            break;
        case kInvalidHandle:
            text = "The attribute asked for does not exist on the peripheral.";
            break;
        case kNotConnected:
            text = "The peripheral is not connected.";
            break;
        case kOutOfSpace:
            text = "The radio has no room left for the request.";
            break;
        case kOperationCancelled:
            text = "The request was cancelled.";
            break;
        case kConnectionTimeout:
            text = "The link timed out: the peripheral stopped answering.";
            break;
        case kPeripheralDisconnected:
            text = "The peripheral ended the link.";
            break;
        case kUUIDNotAllowed:
            text = "The identifier may not be used for this request.";
            break;
        case kAlreadyAdvertising:
            text = "The radio is advertising already.";
            break;
        case kConnectionFailed:
            text = "The connection attempt failed.";
            break;
        case kConnectionLimitReached:
            text = "The radio has as many links as it can keep.";
            break;
    }
    return Error{kDomain, code, text};
}

Error BluetoothError::attributeError(AttributeCode code) {
    const char* text = "The peripheral refused the request.";
    switch (code) {
        case kAttributeInvalidHandle:
            text = "The peripheral has no attribute at that handle.";
            break;
        case kAttributeReadNotPermitted:
            text = "The attribute may not be read.";
            break;
        case kAttributeWriteNotPermitted:
            text = "The attribute may not be written.";
            break;
        case kAttributeInvalidPdu:
            text = "The peripheral could not read the request.";
            break;
        case kAttributeInsufficientAuthentication:
            text = "The peripheral wants an authenticated link.";
            break;
        case kAttributeRequestNotSupported:
            text = "The peripheral does not support the request.";
            break;
        case kAttributeInvalidOffset:
            text = "The offset lies past the attribute's value.";
            break;
        case kAttributeInsufficientAuthorization:
            text = "The peripheral did not authorise the request.";
            break;
        case kAttributePrepareQueueFull:
            text = "The peripheral's queue of prepared writes is full.";
            break;
        case kAttributeNotFound:
            text = "The peripheral has no such attribute.";
            break;
        case kAttributeNotLong:
            text = "The attribute cannot be read or written in parts.";
            break;
        case kAttributeInsufficientEncryptionKeySize:
            text = "The link's encryption key is too short.";
            break;
        case kAttributeInvalidAttributeValueLength:
            text = "The value has the wrong length.";
            break;
        case kAttributeUnlikelyError:
            text = "The peripheral failed the request.";
            break;
        case kAttributeInsufficientEncryption:
            text = "The peripheral wants an encrypted link.";
            break;
        case kAttributeUnsupportedGroupType:
            text = "The peripheral does not know the group type.";
            break;
        case kAttributeInsufficientResources:
            text = "The peripheral has run out of resources.";
            break;
    }
    return Error{kAttributeDomain, code, text};
}

}  // namespace platform
