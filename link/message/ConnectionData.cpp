#include "link/message/ConnectionData.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/support/AESAdditions.h"
#include "link/message/ConnectionConstants.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {

constexpr std::string_view kMarker = kEndOfMessageMarker;
constexpr int kMaximumJSONDepth = 64;

std::optional<platform::Value> valueFromJSON(const nlohmann::json& json, int depth) {
    if (depth > kMaximumJSONDepth) return std::nullopt;
    switch (json.type()) {
        case nlohmann::json::value_t::null:
            return platform::Value();
        case nlohmann::json::value_t::boolean:
            return platform::Value(json.get<bool>());
        case nlohmann::json::value_t::number_integer:
            return platform::Value(platform::Number(static_cast<long long>(json.get<int64_t>())));
        case nlohmann::json::value_t::number_unsigned:
            return platform::Value(platform::Number(static_cast<unsigned long long>(json.get<uint64_t>())));
        case nlohmann::json::value_t::number_float:
            return platform::Value(json.get<double>());
        case nlohmann::json::value_t::string:
            return platform::Value(json.get<std::string>());
        case nlohmann::json::value_t::array: {
            platform::Value::Array array;
            for (const auto& element : json) {
                auto value = valueFromJSON(element, depth + 1);
                if (!value) return std::nullopt;
                array.push_back(std::move(*value));
            }
            return platform::Value(std::move(array));
        }
        case nlohmann::json::value_t::object: {
            platform::Value::Dictionary dictionary;
            for (const auto& [key, element] : json.items()) {
                auto value = valueFromJSON(element, depth + 1);
                if (!value) return std::nullopt;
                dictionary[key] = std::move(*value);
            }
            return platform::Value(std::move(dictionary));
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

void ConnectionData::resetData() {
    std::lock_guard lock(mutex_);
    dictOfData_ = {};
}

platform::Data ConnectionData::getDataForPeripheral(const std::string& peripheralIdentifier) {
    std::lock_guard lock(mutex_);
    return dictOfData_[peripheralIdentifier];
}

std::optional<std::string> ConnectionData::generateStringWithReceivedDataforCharacteristic_forPeripheral(
    const platform::Data& value, const std::string& peripheralIdentifier) {
    std::string frame;
    {
        std::lock_guard lock(mutex_);
        platform::Data& buffer = dictOfData_[peripheralIdentifier];
        buffer.append(value);
        std::string_view bytes(reinterpret_cast<const char*>(buffer.bytes()), buffer.size());
        size_t marker = bytes.find(kMarker);
        if (marker == std::string_view::npos) {
            if (buffer.size() > kMaximumBufferedBytes) {
                platform::logf("Receive buffer of %s: %zu bytes without an end marker; dropped",
                               peripheralIdentifier.c_str(), buffer.size());
                buffer = platform::Data();
            }
            return std::nullopt;
        }
        if (!platform::isValidUTF8(bytes)) {
            // A character split between two notifications completes with the next one; but bytes
            // before the marker that are not text never will, and would block every later frame.
            if (platform::isValidUTF8(bytes.substr(0, marker)) && buffer.size() <= kMaximumBufferedBytes)
                return std::nullopt;
            platform::logf("Receive buffer of %s: a frame that is not text; dropped",
                           peripheralIdentifier.c_str());
            buffer = platform::Data();
            return std::nullopt;
        }
        frame = std::string(bytes.substr(0, marker));
        buffer = platform::Data();
    }
    auto text = AES256DecryptWithKey(std::string_view(frame), kLinkKey);
    if (!text)
        platform::logf("Receive buffer of %s: a frame that does not decrypt", peripheralIdentifier.c_str());
    return text;
}

std::optional<platform::Value::Dictionary>
ConnectionData::generateDictionaryWithReceivedDataforCharacteristic_forPeripheral(
    const platform::Data& value, const std::string& peripheralIdentifier) {
    auto text = generateStringWithReceivedDataforCharacteristic_forPeripheral(value, peripheralIdentifier);
    if (!text) return std::nullopt;
    return dictFromReceivedString(*text);
}

std::optional<platform::Value::Dictionary> ConnectionData::dictFromReceivedString(std::string_view text) {
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    auto value = valueFromJSON(json, 0);
    if (!value || !value->dictionary()) return std::nullopt;
    return *value->dictionary();
}

}  // namespace kestrune
