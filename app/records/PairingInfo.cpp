#include "app/records/PairingInfo.h"

#include "app/records/NumberFields.h"

namespace kestrune {

namespace {
const PairingInfo::Registrar registrarOfPairingInfo;
}

const RecordSchema<PairingInfo>& PairingInfo::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<PairingInfo>(
        RecordSchema<PairingInfo>()
            .number("connectionStatus", &PairingInfo::connectionStatus_)
            .text("foregroundServiceId", &PairingInfo::foregroundServiceId_)
            .text("foregroundServiceId2", &PairingInfo::foregroundServiceId2_));
    return schema;
}

std::shared_ptr<PairingInfo> PairingInfo::init() {
    auto info = std::make_shared<PairingInfo>();
    info->setDefaultValues();
    return info;
}

void PairingInfo::setDefaultValues() {
    connectionStatus_ = platform::Number(kConnectionStatusDefault);
}

void PairingInfo::updateModelUpdateForNewVersion() {
    if (!foregroundServiceId2_) foregroundServiceId2_ = kDefaultForegroundServiceId;
    if (!foregroundServiceId_) foregroundServiceId_ = kDefaultForegroundServiceId;
}

void PairingInfo::decodeWithCoder(platform::KeyedUnarchiver& coder) {
    KeyedPayloadRecord::decodeWithCoder(coder);
    updateModelUpdateForNewVersion();
}

std::shared_ptr<PairingInfo> PairingInfo::customCopy() const {
    auto copy = init();
    copy->connectionStatus_ = platform::Number(intValueOf(connectionStatus_));
    copy->foregroundServiceId_ = foregroundServiceId_;
    copy->foregroundServiceId2_ = foregroundServiceId2_;
    return copy;
}

}  // namespace kestrune
