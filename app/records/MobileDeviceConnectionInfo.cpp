#include "app/records/MobileDeviceConnectionInfo.h"

namespace kestrune {

namespace {
const MobileDeviceConnectionInfo::Registrar registrarOfMobileDeviceConnectionInfo;
}

const RecordSchema<MobileDeviceConnectionInfo>& MobileDeviceConnectionInfo::schema() {
    static const RecordSchema<MobileDeviceConnectionInfo> schema =
        RecordSchema<MobileDeviceConnectionInfo>()
            .number("isConnected", &MobileDeviceConnectionInfo::isConnected_)
            .text("serviceId", &MobileDeviceConnectionInfo::serviceId_);
    return schema;
}

}  // namespace kestrune
