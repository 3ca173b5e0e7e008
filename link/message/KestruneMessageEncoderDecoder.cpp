#include "link/message/KestruneMessageEncoderDecoder.h"

#include <memory>
#include <mutex>

#include "app/records/ConnectionInfo.h"
#include "app/records/Device.h"
#include "app/records/DeviceInfo.h"
#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/PayloadRecord.h"
#include "app/records/SessionInfo.h"
#include "app/records/iOSPreferences.h"
#include "link/message/AuthPayload.h"
#include "link/message/KestruneViewState.h"

namespace kestrune {

namespace {

template <class Record>
void ensureRegistered() {
    if (PayloadRecord::isRecordType(Record::kClassName)) return;
    PayloadRecord::registerRecordType(
        Record::kClassName, [] { return std::static_pointer_cast<platform::Object>(Record::init()); });
}

// The table's types and the types nested in them must be known by name to the record coder even in a
// program where nothing else names them (a static library links only what is referred to).
void ensureRecordTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        ensureRegistered<DeviceUser>();
        ensureRegistered<SessionInfo>();
        ensureRegistered<iOSPreferences>();
        ensureRegistered<MobileDevice>();
        ensureRegistered<MobileDeviceConnectionInfo>();
        ensureRegistered<MobileDeviceInfo>();
        ensureRegistered<Device>();
        ensureRegistered<ConnectionInfo>();
        ensureRegistered<DeviceInfo>();
        ensureRegistered<MobileDeviceTrackInfo>();
        ensureRegistered<KestruneViewState>();
        ensureRegistered<MobileSettings>();
        ensureRegistered<OSXPreferences>();
        ensureRegistered<PairingInfo>();
        ensureRegistered<AuthPayload>();
    });
}

}  // namespace

KestruneMessageEncoderDecoder::KestruneMessageEncoderDecoder() {
    ensureRecordTypes();
}

std::optional<std::string> KestruneMessageEncoderDecoder::classForMessage(int32_t request) const {
    switch (request) {
        case 8:
            return DeviceUser::kClassName;
        case 9:
            return SessionInfo::kClassName;
        case 10:
            return iOSPreferences::kClassName;
        case 12:
            return MobileDevice::kClassName;
        case 32:
            return Device::kClassName;
        case 34:
            return SessionInfo::kClassName;
        case 35:
            return MobileDeviceTrackInfo::kClassName;
        case 36:
            return KestruneViewState::kClassName;
        case 40:
            return MobileSettings::kClassName;
        case 49:
            return MobileDevice::kClassName;
        case 111:
            return AuthPayload::kClassName;
        default:
            return std::nullopt;
    }
}

}  // namespace kestrune
