#include "app/records/DeviceUser.h"

namespace kestrune {

namespace {
const DeviceUser::Registrar registrarOfDeviceUser;
}

const RecordSchema<DeviceUser>& DeviceUser::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema =
        *new RecordSchema<DeviceUser>(RecordSchema<DeviceUser>()
                                          .number("idNumber", &DeviceUser::idNumber_)
                                          .text("fullName", &DeviceUser::fullName_)
                                          .text("username", &DeviceUser::username_)
                                          .text("password", &DeviceUser::password_)
                                          .number("hasPassword", &DeviceUser::hasPassword_));
    return schema;
}

std::shared_ptr<DeviceUser> DeviceUser::copyCustom() const {
    auto copy = init();
    copy->idNumber_ = idNumber_;
    copy->fullName_ = fullName_;
    copy->username_ = username_;
    copy->password_ = password_;
    copy->hasPassword_ = hasPassword_;
    return copy;
}

}  // namespace kestrune
