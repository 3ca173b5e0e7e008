#include "app/records/WifiUnlockConfig.h"

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<WifiUnlockConfig> registrarOfWifiUnlockConfig(WifiUnlockConfig::kClassName);
}

void WifiUnlockConfig::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject_forKey(wifiUnlockTurnedOn_ ? platform::Value(*wifiUnlockTurnedOn_) : platform::Value(),
                              "wifiUnlockTurnedOn");
}

bool WifiUnlockConfig::initWithCoder(platform::KeyedUnarchiver& coder) {
    platform::Value value = coder.decodeObjectForKey("wifiUnlockTurnedOn");
    wifiUnlockTurnedOn_.reset();
    if (auto number = value.number()) {
        wifiUnlockTurnedOn_ = *number;
    } else if (!value.isNull()) {
        platform::logf(
            "WifiUnlockConfig: the stored \"wifiUnlockTurnedOn\" is %s, not a number; it is left empty",
            value.description().c_str());
    }
    return true;
}

void WifiUnlockConfig::setDefaultValues() {
    wifiUnlockTurnedOn_ = platform::Number(true);
}

}  // namespace kestrune
