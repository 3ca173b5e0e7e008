#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/DecimalNumber.h"
#include "platform/base/Value.h"

namespace reporting {

// The attributes of one event: at most 21 entries, keys and texts cut to 100 UTF-16 units, numbers
// that are not NaN, "true"/"false", prices in micros. Not thread-safe; each event owns its own.
class USKAttributeDictionary {
public:
    static constexpr size_t kMaximumEntries = 21;
    static constexpr size_t kMaximumLength = 100;

    USKAttributeDictionary() = default;
    // initWithDictionary:, entries added in the dictionary's (sorted) order. Pairs keep the caller's
    // order where it has one.
    explicit USKAttributeDictionary(const std::optional<platform::Value::Dictionary>& dictionary);
    explicit USKAttributeDictionary(const std::vector<std::pair<platform::Value, platform::Value>>& pairs);

    // Value first, then key, as the rules read. A null value or key adds nothing.
    void addAttribute_forKey(const platform::Value& value, const platform::Value& key);
    void addBooleanAttribute_forKey(const platform::Value& value, const std::string& key);
    void addPriceAttribute_forKey(const std::optional<platform::DecimalNumber>& price,
                                  const std::string& key);

    const platform::Value::Dictionary& dictionaryRepresentation() const { return rawDictionary_; }
    std::string description() const { return platform::Value(rawDictionary_).description(); }

    static bool validAttributeValue(const platform::Value& value);
    static std::optional<platform::Value> serializeAttributeValue(const platform::Value& value);
    static std::string truncateString(const std::string& text);
    static std::optional<platform::Value> serializeSuccess(const platform::Value& value);
    static std::optional<platform::Value> serializePriceToMicros(const platform::DecimalNumber& price);
    static std::optional<platform::Value> serializeNumber(const platform::Value& value);

private:
    platform::Value::Dictionary rawDictionary_;
};

}  // namespace reporting
