#include "app/records/SafeWifiEntry.h"

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<SafeWifiEntry> registrarOfSafeWifiEntry(SafeWifiEntry::kClassName);

std::optional<std::string> decodeText(platform::KeyedUnarchiver& coder, const char* key) {
    platform::Value value = coder.decodeObjectForKey(key);
    if (auto text = value.string()) return *text;
    if (!value.isNull())
        platform::logf("SafeWifiEntry: the stored \"%s\" is %s, not a text; it is left empty", key,
                       value.description().c_str());
    return std::nullopt;
}
}  // namespace

void SafeWifiEntry::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject_forKey(ssidName_ ? platform::Value(*ssidName_) : platform::Value(), "ssidName");
    coder.encodeObject_forKey(bssid_ ? platform::Value(*bssid_) : platform::Value(), "bssid");
}

bool SafeWifiEntry::initWithCoder(platform::KeyedUnarchiver& coder) {
    decodeWithCoder(coder);
    return true;
}

void SafeWifiEntry::decodeWithCoder(platform::KeyedUnarchiver& coder) {
    ssidName_ = decodeText(coder, "ssidName");
    bssid_ = decodeText(coder, "bssid");
}

bool SafeWifiEntry::isEqual(const SafeWifiEntry& other) const {
    return ssidName_ && other.ssidName_ && *ssidName_ == *other.ssidName_;
}

}  // namespace kestrune
