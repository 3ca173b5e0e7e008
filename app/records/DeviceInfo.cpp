#include "app/records/DeviceInfo.h"

namespace kestrune {

namespace {
const DeviceInfo::Registrar registrarOfDeviceInfo;
}

const RecordSchema<DeviceInfo>& DeviceInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema =
        *new RecordSchema<DeviceInfo>(RecordSchema<DeviceInfo>()
                                          .text("deviceName", &DeviceInfo::deviceName_)
                                          .number("deviceDescription", &DeviceInfo::deviceDescription_)
                                          .number("deviceType", &DeviceInfo::deviceType_)
                                          .encodedInOrder({"deviceName", "deviceType", "deviceDescription"}));
    return schema;
}

std::shared_ptr<DeviceInfo> DeviceInfo::copyCostom() const {
    auto copy = init();
    copy->deviceName_ = deviceName_;
    copy->deviceDescription_ = deviceDescription_;
    copy->deviceType_ = deviceType_;
    return copy;
}

}  // namespace kestrune
