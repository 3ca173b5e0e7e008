#include "app/remote/RemotePairedDevices.h"

#include <cstdio>

#include "app/records/MobileDevice.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "platform/base/Clock.h"

namespace kestrune {

std::string RemotePairedDevices::currentTimestampString() {
    char text[64];
    snprintf(text, sizeof text, "%f", platform::Clock::now());
    return text;
}

std::shared_ptr<platform::BackendObject> RemotePairedDevices::pfObject() const {
    auto object = platform::BackendObject::objectWithoutDataWithClassName_objectId(kClassName, objectId);
    if (macId) object->setObject_forKey(*macId, "macId");
    if (iPhoneId) object->setObject_forKey(*iPhoneId, "iPhoneId");
    object->setObject_forKey(currentTimestampString(), "lastUpdateTimestamp");
    return object;
}

RemotePairedDevices RemotePairedDevices::initWithPFObject(const platform::BackendObject& object) {
    RemotePairedDevices record;
    record.objectId = object.objectId();
    if (auto text = object.objectForKey("macId").string()) record.macId = *text;
    if (auto text = object.objectForKey("iPhoneId").string()) record.iPhoneId = *text;
    const platform::Value& stamp = object.objectForKey("lastUpdateTimestamp");
    if (auto number = stamp.number()) {
        record.lastUpdateTimestamp = number->doubleValue();
    } else if (auto text = stamp.string()) {
        auto parsed = platform::Number::parse(*text);
        record.lastUpdateTimestamp = parsed ? parsed->doubleValue() : 0;
    }
    return record;
}

std::string RemotePairedDeviceMacFactory::getTrackingMobileDeviceUnId() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    return phone && phone->unId() ? *phone->unId() : "";
}

RemotePairedDevices RemotePairedDeviceMacFactory::generateCurrentPairedDevicesObject() {
    RemotePairedDevices record;
    record.iPhoneId = getTrackingMobileDeviceUnId();
    record.macId = Common::uniqueAppIdentifier();
    record.lastUpdateTimestamp = platform::Clock::now();
    return record;
}

}  // namespace kestrune
