#include "reporting/UsageKit/events/USKCrashMetadata.h"

#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/events/USKJSON.h"
#include "reporting/core/RKTSettings.h"

namespace reporting {

std::optional<platform::Value::Dictionary> USKCrashMetadata::dictionaryFromData(const platform::Data& data) {
    std::string error;
    auto dictionary = RKTSettings::dictionaryFromJSONData(data, &error);
    if (!dictionary)
        USKLogger::sharedLogger().log("Unable to read previous launch metadata: %s", error.c_str());
    return dictionary;
}

std::optional<platform::Value::Dictionary> USKCrashMetadata::readSerializedDictionaryFromURL(
    const std::string& path) {
    auto data = platform::Files::read(path);
    if (!data) return std::nullopt;
    return dictionaryFromData(*data);
}

bool USKCrashMetadata::writeSerializedDictionary_toURL(const platform::Value::Dictionary& dictionary,
                                                       const std::string& path) {
    auto text = USKJSONString(platform::Value(dictionary));
    if (!text) return false;
    return platform::Files::writeAtomically(path, platform::Data::fromString(*text), 0600);
}

}  // namespace reporting
