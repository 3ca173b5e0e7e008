#include "app/records/Device.h"

#include "app/records/NumberFields.h"
#include "app/support/Localizable.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {
const Device::Registrar registrarOfDevice;
}

const RecordSchema<Device>& Device::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema =
        *new RecordSchema<Device>(RecordSchema<Device>()
                                      .text("unId", &Device::unId_)
                                      .record("deviceInfo", &Device::deviceInfo_)
                                      .record("connectionInfo", &Device::connectionInfo_)
                                      .record("sessionInfo", &Device::sessionInfo_));
    return schema;
}

std::shared_ptr<Device> Device::init() {
    return initWithUnId(std::string());
}

std::shared_ptr<Device> Device::initWithUnId(std::optional<std::string> unId) {
    auto device = std::make_shared<Device>();
    device->unId_ = std::move(unId);
    device->connectionInfo_ = ConnectionInfo::init();
    return device;
}

std::shared_ptr<Device> Device::customCopy() const {
    platform::logf("Create device - copy");
    // The bare record: a copy keeps an absent identifier absent.
    auto copy = std::make_shared<Device>();
    copy->unId_ = unId_;
    if (deviceInfo_) copy->deviceInfo_ = deviceInfo_->copyCostom();
    if (connectionInfo_) copy->connectionInfo_ = connectionInfo_->copyCustom();
    if (sessionInfo_) copy->sessionInfo_ = sessionInfo_->copyCustom();
    return copy;
}

bool Device::userStatedAsLoggedIn() const {
    return sessionInfo_ && boolValueOf(sessionInfo_->userIsLoggedIn());
}

std::optional<std::string> Device::presentDeviceName() const {
    if (!deviceInfo_ || !deviceInfo_->deviceName() || deviceInfo_->deviceName()->empty()) return std::nullopt;
    return deviceInfo_->deviceName();
}

std::string Device::question(const char* keyWithName, const char* keyWithoutName) const {
    auto name = presentDeviceName();
    if (!name) return localizable(keyWithoutName);
    // The text is a format with the name as its one argument; the name is inserted as it is, never
    // read as a format itself.
    return platform::replaceAll(localizable(keyWithName), "%@", *name);
}

std::string Device::unlockDeviceQuestion() const {
    return question("unlock_device", "unlock_your_mac");
}

std::string Device::insertPasswordQuestion() const {
    return question("insert_password_to_mac", "insert_password_question");
}

std::string Device::knockTwiceToUnlock() const {
    return question("knock_twice_to_unlock", "knock_twice_to_unlock_mac");
}

std::string Device::knockTwiceToAuth() const {
    return question("knock_twice_to_insert_password", "knock_twice_to_insert_password_to_mac");
}

std::string Device::deviceNameSafe() const {
    auto name = presentDeviceName();
    return name ? *name : "Mac";
}

}  // namespace kestrune
