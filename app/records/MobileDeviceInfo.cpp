#include "app/records/MobileDeviceInfo.h"

namespace kestrune {

namespace {
const MobileDeviceInfo::Registrar registrarOfMobileDeviceInfo;
}

const RecordSchema<MobileDeviceInfo>& MobileDeviceInfo::schema() {
    static const RecordSchema<MobileDeviceInfo> schema =
        RecordSchema<MobileDeviceInfo>()
            .text("deviceName", &MobileDeviceInfo::deviceName_)
            .text("deviceType", &MobileDeviceInfo::deviceType_);
    return schema;
}

}  // namespace kestrune
