#include "reporting/core/RKTSettings.h"

#include <nlohmann/json.hpp>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTBoolValue.h"
#include "reporting/core/RKTURLBuilder.h"

namespace reporting {

namespace {

using Json = nlohmann::json;

// Refuses documents nested deeper than the limit while they are read, before any tree is built.
class DepthLimit : public nlohmann::json_sax<Json> {
public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth_ <= RKTSettings::kMaximumNesting; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return --depth_, true; }
    bool start_array(std::size_t) override { return ++depth_ <= RKTSettings::kMaximumNesting; }
    bool end_array() override { return --depth_, true; }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) override {
        error = "at byte " + std::to_string(position) + ": " + e.what();
        return false;
    }
    int depth() const { return depth_; }
    std::string error;

private:
    int depth_ = 0;
};

platform::Value valueOfJson(const Json& json) {
    switch (json.type()) {
        case Json::value_t::object: {
            platform::Value::Dictionary dictionary;
            for (const auto& [key, value] : json.items()) dictionary[key] = valueOfJson(value);
            return dictionary;
        }
        case Json::value_t::array: {
            platform::Value::Array array;
            array.reserve(json.size());
            for (const auto& element : json) array.push_back(valueOfJson(element));
            return array;
        }
        case Json::value_t::string:
            return json.get<std::string>();
        case Json::value_t::boolean:
            return platform::Number(json.get<bool>());
        case Json::value_t::number_integer:
            return platform::Number(static_cast<long long>(json.get<int64_t>()));
        case Json::value_t::number_unsigned:
            return platform::Number(static_cast<unsigned long long>(json.get<uint64_t>()));
        case Json::value_t::number_float:
            return platform::Number(json.get<double>());
        default:
            return platform::Value();
    }
}

std::optional<std::string> settingsTextOf(const platform::Value& value) {
    if (const auto* text = value.string()) return *text;
    return std::nullopt;
}

}  // namespace

RKTSettings::RKTSettings(std::string settingsPath) : settingsPath_(std::move(settingsPath)) {}

std::optional<platform::Value::Dictionary> RKTSettings::dictionaryFromJSONData(const platform::Data& data,
                                                                               std::string* error) {
    const auto* begin = data.bytes();
    const auto* end = begin + data.size();
    DepthLimit limit;
    if (!Json::sax_parse(begin, end, &limit)) {
        if (error)
            *error = !limit.error.empty()
                         ? limit.error
                         : "nested deeper than " + std::to_string(kMaximumNesting) + " levels";
        return std::nullopt;
    }
    Json json = Json::parse(begin, end, nullptr, false);
    if (json.is_discarded()) {
        if (error) *error = "not JSON";
        return std::nullopt;
    }
    if (!json.is_object()) {
        if (error) *error = "the document is not a JSON object";
        return std::nullopt;
    }
    platform::Value value = valueOfJson(json);
    return std::move(*value.dictionary());
}

std::optional<platform::Value::Dictionary> RKTSettings::settingsDictionary() {
    std::lock_guard lock(mutex_);
    if (settingsDictionary_) return settingsDictionary_;
    const auto bytes = platform::Files::read(settingsPath_);
    if (!bytes) return std::nullopt;
    std::string error;
    auto dictionary = dictionaryFromJSONData(*bytes, &error);
    if (!dictionary) {
        platform::logf("[ReportKit] Could not load settings with error: %s", error.c_str());
        platform::Files::remove(settingsPath_);
        return std::nullopt;
    }
    settingsDictionary_ = std::move(dictionary);
    return settingsDictionary_;
}

void RKTSettings::clearSettingsDictionary() {
    std::lock_guard lock(mutex_);
    settingsDictionary_.reset();
}

std::optional<std::string> RKTSettings::settingsURLForEndpoint_appInstanceIdentifer(
    const std::string& endpoint, const std::optional<std::string>& instanceIdentifier) const {
    auto builder = RKTURLBuilder::URLWithBase(endpoint);
    builder->appendComponent("/spi/v2/platforms/");
    builder->escapeAndAppendComponent(appPlatform());
    builder->appendComponent("/apps/");
    builder->escapeAndAppendComponent(appBundleIdentifier());
    builder->appendComponent("/settings");
    auto optionalValue = [](const std::optional<std::string>& text) {
        return text ? platform::Value(*text) : platform::Value();
    };
    builder->appendValue_forQueryParam(optionalValue(appBuildVersion()), "build_version");
    builder->appendValue_forQueryParam(optionalValue(appDisplayVersion()), "display_version");
    builder->appendValue_forQueryParam(optionalValue(instanceIdentifier), "instance");
    builder->appendValue_forQueryParam(platform::Value(appSource()), "source");
    return builder->URL();
}

std::optional<platform::Value::Dictionary> RKTSettings::appSettings() {
    const auto settings = settingsDictionary();
    if (!settings) return std::nullopt;
    auto it = settings->find("app");
    if (it == settings->end() || !it->second.dictionary()) return std::nullopt;
    return *it->second.dictionary();
}

std::optional<std::string> RKTSettings::appStatus() {
    const auto app = appSettings();
    if (!app) return std::nullopt;
    auto it = app->find("status");
    if (it == app->end()) return std::nullopt;
    return settingsTextOf(it->second);
}

bool RKTSettings::appNeedsOnboarding() {
    return appStatus() == "new";
}

bool RKTSettings::appUpdateRequired() {
    const auto app = appSettings();
    if (!app) return false;
    auto it = app->find("update_required");
    return it != app->end() && RKTBoolValue(it->second);
}

std::string RKTSettings::appBundleIdentifier() const {
    return RKTApplicationGetBundleIdentifier();
}

std::optional<std::string> RKTSettings::appBuildVersion() const {
    return RKTApplicationGetBuildVersion();
}

std::optional<std::string> RKTSettings::appDisplayVersion() const {
    return RKTApplicationGetDisplayVersion();
}

int RKTSettings::appSource() const {
    return RKTApplicationInstallationSource();
}

}  // namespace reporting
