#include "app/records/MobileDeviceConnectionInfo.h"

namespace kestrune {

namespace {
const MobileDeviceConnectionInfo::Registrar registrarOfMobileDeviceConnectionInfo;
}

const RecordSchema<MobileDeviceConnectionInfo>& MobileDeviceConnectionInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<MobileDeviceConnectionInfo>(
        RecordSchema<MobileDeviceConnectionInfo>()
            .number("isConnected", &MobileDeviceConnectionInfo::isConnected_)
            .text("serviceId", &MobileDeviceConnectionInfo::serviceId_));
    return schema;
}

}  // namespace kestrune
