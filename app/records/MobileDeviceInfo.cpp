#include "app/records/MobileDeviceInfo.h"

namespace kestrune {

namespace {
const MobileDeviceInfo::Registrar registrarOfMobileDeviceInfo;
}

const RecordSchema<MobileDeviceInfo>& MobileDeviceInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema =
        *new RecordSchema<MobileDeviceInfo>(RecordSchema<MobileDeviceInfo>()
                                                .text("deviceName", &MobileDeviceInfo::deviceName_)
                                                .text("deviceType", &MobileDeviceInfo::deviceType_));
    return schema;
}

}  // namespace kestrune
