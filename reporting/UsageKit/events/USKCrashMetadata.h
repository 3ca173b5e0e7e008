#pragma once

#include <optional>
#include <string>

#include "platform/base/Value.h"
#include "reporting/UsageKit/events/USKMetadataSerializable.h"

namespace reporting {

// The previous launch's metadata as it was stored, heading the log of that launch's crash event.
class USKCrashMetadata : public USKMetadataSerializable {
public:
    explicit USKCrashMetadata(std::optional<platform::Value::Dictionary> dictionary)
        : rawMetadataDictionary_(std::move(dictionary)) {}
    static std::optional<platform::Value::Dictionary> readSerializedDictionaryFromURL(
        const std::string& path);
    // The same reading of bytes already in memory (for the file's decoder and its fuzz target).
    static std::optional<platform::Value::Dictionary> dictionaryFromData(const platform::Data& data);
    static bool writeSerializedDictionary_toURL(const platform::Value::Dictionary& dictionary,
                                                const std::string& path);

    const std::optional<platform::Value::Dictionary>& rawMetadataDictionary() const {
        return rawMetadataDictionary_;
    }
    std::string eventName() const override { return "metadata"; }
    std::optional<platform::Value::Dictionary> dictionaryRepresentationWithStartTime(
        uint64_t) const override {
        return rawMetadataDictionary_;
    }

private:
    std::optional<platform::Value::Dictionary> rawMetadataDictionary_;
};

}  // namespace reporting
