#include "link/KestruneMessageEncoderDecoder.h"

#include <memory>
#include <mutex>

#include "app/ConnectionInfo.h"
#include "app/Device.h"
#include "app/DeviceInfo.h"
#include "app/DeviceUser.h"
#include "app/MobileDevice.h"
#include "app/MobileDeviceConnectionInfo.h"
#include "app/MobileDeviceInfo.h"
#include "app/MobileDeviceTrackInfo.h"
#include "app/MobileSettings.h"
#include "app/OSXPreferences.h"
#include "app/PairingInfo.h"
#include "app/PayloadRecord.h"
#include "app/SessionInfo.h"
#include "app/iOSPreferences.h"
#include "link/AuthPayload.h"
#include "link/KestruneViewState.h"

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
