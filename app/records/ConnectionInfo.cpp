#include "app/records/ConnectionInfo.h"

namespace kestrune {

namespace {
const ConnectionInfo::Registrar registrarOfConnectionInfo;
}

const RecordSchema<ConnectionInfo>& ConnectionInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema =
        *new RecordSchema<ConnectionInfo>(RecordSchema<ConnectionInfo>()
                                              .text("serviceId", &ConnectionInfo::serviceId_)
                                              .number("isConnected", &ConnectionInfo::isConnected_));
    return schema;
}

std::shared_ptr<ConnectionInfo> ConnectionInfo::copyCustom() const {
    auto copy = init();
    copy->serviceId_ = serviceId_;
    copy->isConnected_ = isConnected_;
    return copy;
}

}  // namespace kestrune
