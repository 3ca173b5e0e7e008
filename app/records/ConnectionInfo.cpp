#include "app/records/ConnectionInfo.h"

namespace kestrune {

namespace {
const ConnectionInfo::Registrar registrarOfConnectionInfo;
}

const RecordSchema<ConnectionInfo>& ConnectionInfo::schema() {
    static const RecordSchema<ConnectionInfo> schema =
        RecordSchema<ConnectionInfo>()
            .text("serviceId", &ConnectionInfo::serviceId_)
            .number("isConnected", &ConnectionInfo::isConnected_);
    return schema;
}

std::shared_ptr<ConnectionInfo> ConnectionInfo::copyCustom() const {
    auto copy = init();
    copy->serviceId_ = serviceId_;
    copy->isConnected_ = isConnected_;
    return copy;
}

}  // namespace kestrune
