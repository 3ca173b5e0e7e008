#include "reporting/crash/CRKLocalizedString.h"

#include "platform/base/Log.h"
#include "platform/base/Value.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"

namespace reporting {

namespace {
constexpr const char* kTableName = "CrashKit";
}  // namespace

std::optional<std::string> CRKLocalizedString(const std::string& key) {
    const auto path = platform::Bundle::main().pathForResource(kTableName, "strings");
    if (!path) return std::nullopt;
    const auto bytes = platform::Files::read(*path);
    const auto table = bytes ? platform::PropertyList::valueFromData(*bytes) : std::nullopt;
    if (!table || !table->dictionary()) {
        platform::logf("[CrashKit:Crash] The strings table %s is not a dictionary; it is ignored",
                       path->c_str());
        return std::nullopt;
    }
    const platform::Value& text = (*table)[key];
    if (!text.string()) return std::nullopt;
    return *text.string();
}

std::string CRKLocalizedStringWithDefault(const std::string& key, const std::string& fallback) {
    return CRKLocalizedString(key).value_or(fallback);
}

}  // namespace reporting
