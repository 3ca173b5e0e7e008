#include "reporting/UsageKit/events/USKAttributeDictionary.h"

#include <cmath>

#include "platform/base/Strings.h"
#include "reporting/UsageKit/USKLogger.h"

namespace reporting {

namespace {
std::shared_ptr<platform::DecimalNumber> decimalOf(const platform::Value& value) {
    return value.objectAs<platform::DecimalNumber>();
}
}  // namespace

USKAttributeDictionary::USKAttributeDictionary(const std::optional<platform::Value::Dictionary>& dictionary) {
    if (!dictionary) return;
    for (const auto& [key, value] : *dictionary) addAttribute_forKey(value, platform::Value(key));
}

USKAttributeDictionary::USKAttributeDictionary(
    const std::vector<std::pair<platform::Value, platform::Value>>& pairs) {
    for (const auto& [key, value] : pairs) addAttribute_forKey(value, key);
}

void USKAttributeDictionary::addAttribute_forKey(const platform::Value& value, const platform::Value& key) {
    if (value.isNull() || key.isNull()) return;
    if (rawDictionary_.size() >= kMaximumEntries) {
        USKSystemLog("[UsageKit] Maximum number of Event attributes exceeded. Ignoring entry %s:%s",
                     key.description().c_str(), value.description().c_str());
        return;
    }
    if (!key.string()) {
        USKSystemLog("[UsageKit] Event attribute keys must be of type NSString. Ignoring entry %s:%s",
                     key.description().c_str(), value.description().c_str());
        return;
    }
    if (!validAttributeValue(value)) {
        USKSystemLog(
            "[UsageKit] Event attribute values must be of type NSString or NSNumber. Ignoring entry %s:%s",
            key.description().c_str(), value.description().c_str());
        return;
    }
    const std::string shortKey = truncateString(*key.string());
    auto serialized = serializeAttributeValue(value);
    if (serialized) {
        rawDictionary_[shortKey] = *serialized;
    } else {
        rawDictionary_.erase(shortKey);
    }
}

void USKAttributeDictionary::addBooleanAttribute_forKey(const platform::Value& value,
                                                        const std::string& key) {
    const std::string shortKey = truncateString(key);
    auto serialized = serializeSuccess(value);
    if (!serialized) return;
    addAttribute_forKey(*serialized, platform::Value(shortKey));
}

void USKAttributeDictionary::addPriceAttribute_forKey(const std::optional<platform::DecimalNumber>& price,
                                                      const std::string& key) {
    const std::string shortKey = truncateString(key);
    if (!price) return;
    auto serialized = serializePriceToMicros(*price);
    if (!serialized) return;
    addAttribute_forKey(*serialized, platform::Value(shortKey));
}

bool USKAttributeDictionary::validAttributeValue(const platform::Value& value) {
    return value.number() || value.string() || decimalOf(value);
}

std::optional<platform::Value> USKAttributeDictionary::serializeAttributeValue(const platform::Value& value) {
    if (value.string()) return platform::Value(truncateString(*value.string()));
    return serializeNumber(value);
}

std::string USKAttributeDictionary::truncateString(const std::string& text) {
    if (platform::utf16Length(text) <= kMaximumLength) return text;
    USKSystemLog("[UsageKit] Maximum length for an Event attributes exceeded. Truncating to %u characters.",
                 static_cast<unsigned>(kMaximumLength));
    return platform::prefixUTF16(text, kMaximumLength);
}

std::optional<platform::Value> USKAttributeDictionary::serializeSuccess(const platform::Value& value) {
    if (value.isNull()) return std::nullopt;
    bool truth = false;
    if (value.number()) {
        truth = value.number()->boolValue();
    } else if (auto decimal = decimalOf(value)) {
        truth = !decimal->isNaN() &&
                decimal->compare(platform::DecimalNumber()) != std::partial_ordering::equivalent;
    } else if (value.string()) {
        // A text reads as a boolean the way the platform reads one: a leading "Y", "y", "T", "t" or a
        // non-zero digit is true.
        const std::string t = platform::trimWhitespace(*value.string());
        truth = !t.empty() &&
                (t[0] == 'Y' || t[0] == 'y' || t[0] == 'T' || t[0] == 't' || (t[0] >= '1' && t[0] <= '9'));
    } else {
        return std::nullopt;
    }
    return platform::Value(truth ? "true" : "false");
}

std::optional<platform::Value> USKAttributeDictionary::serializePriceToMicros(
    const platform::DecimalNumber& price) {
    // Never destroyed: the kit's queues may still check attributes while the process ends.
    static const auto& ceiling =
        *new platform::DecimalNumber(*platform::DecimalNumber::maximum().dividingByPowerOf10(6));
    if (price.isNaN() || price.compare(ceiling) == std::partial_ordering::greater) {
        USKSystemLog(
            "[UsageKit] Maximum value for a price attribute exceeded. Ignoring price attribute with value: "
            "%s",
            price.stringValue().c_str());
        return std::nullopt;
    }
    auto micros = price.multiplyingByPowerOf10(6);
    if (!micros) return std::nullopt;
    return platform::Value(std::make_shared<platform::DecimalNumber>(*micros));
}

std::optional<platform::Value> USKAttributeDictionary::serializeNumber(const platform::Value& value) {
    if (value.number()) {
        if (value.number()->isReal() && std::isnan(value.number()->doubleValue())) return std::nullopt;
        return value;
    }
    if (auto decimal = decimalOf(value)) {
        if (decimal->isNaN()) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

}  // namespace reporting
