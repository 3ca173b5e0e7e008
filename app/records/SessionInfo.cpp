#include "app/records/SessionInfo.h"

namespace kestrune {

namespace {
const SessionInfo::Registrar registrarOfSessionInfo;
}

const RecordSchema<SessionInfo>& SessionInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<SessionInfo>(
        RecordSchema<SessionInfo>()
            .number("userIsLoggedIn", &SessionInfo::userIsLoggedIn_)
            .text("userIdLoggedIn", &SessionInfo::userIdLoggedIn_)
            .number("deviceResponsibleForLastChange", &SessionInfo::deviceResponsibleForLastChange_)
            .number("laptopLidIsDownAndNoExternalMonitor", &SessionInfo::laptopLidIsDownAndNoExternalMonitor_)
            .encodedInOrder({"userIdLoggedIn", "userIsLoggedIn", "deviceResponsibleForLastChange",
                             "laptopLidIsDownAndNoExternalMonitor"}));
    return schema;
}

std::shared_ptr<SessionInfo> SessionInfo::copyCustom() const {
    auto copy = init();
    copy->userIsLoggedIn_ = userIsLoggedIn_;
    copy->userIdLoggedIn_ = userIdLoggedIn_;
    copy->deviceResponsibleForLastChange_ = deviceResponsibleForLastChange_;
    copy->laptopLidIsDownAndNoExternalMonitor_ = laptopLidIsDownAndNoExternalMonitor_;
    return copy;
}

}  // namespace kestrune
