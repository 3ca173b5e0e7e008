#include "reporting/crash/CRKLocalizedString.h"

#include "platform/system/Bundle.h"

namespace reporting {

namespace {
constexpr const char* kTableName = "CrashKit";
}  // namespace

std::optional<std::string> CRKLocalizedString(const std::string& key) {
    return platform::Bundle::main().localizedString(key, kTableName);
}

std::string CRKLocalizedStringWithDefault(const std::string& key, const std::string& fallback) {
    return CRKLocalizedString(key).value_or(fallback);
}

}  // namespace reporting
