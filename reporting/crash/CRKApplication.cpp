#include "reporting/crash/CRKApplication.h"

#include <atomic>

#include "platform/base/Strings.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

std::optional<std::string> infoString(const std::string& key) {
    const platform::Value value = platform::Bundle::main().objectForInfoDictionaryKey(key);
    if (const std::string* text = value.string()) return *text;
    return std::nullopt;
}

std::atomic<int> suddenTerminationDisabled{0};
std::atomic<int> automaticTerminationDisabled{0};

}  // namespace

std::string CRKApplicationGetBundleIdentifier() {
    return platform::replaceAll(platform::Bundle::main().bundleIdentifier(), "/", "_");
}

std::optional<std::string> CRKApplicationGetBuildVersionString() {
    return infoString("CFBundleVersion");
}

std::optional<std::string> CRKApplicationGetShortVersionString() {
    return infoString("CFBundleShortVersionString");
}

std::optional<std::string> CRKApplicationGetName() {
    if (auto name = infoString("CFBundleDisplayName")) return name;
    if (auto name = infoString("CFBundleName")) return name;
    return CRKApplicationGetBuildVersionString();
}

std::optional<std::string> CRKApplicationExtensionPointIdentifier() {
    const platform::Value extension = platform::Bundle::main().objectForInfoDictionaryKey("NSExtension");
    if (extension.isNull()) return std::nullopt;
    const platform::Value::Dictionary* dictionary = extension.dictionary();
    if (!dictionary) {
        CRKSDKLog(CRKSDKLogLevelWarn, "WARN  [%s:%d] Error: NSExtension Info.plist entry is mal-formed\n",
                  "CRKApplicationExtensionPointIdentifier", __LINE__);
        return std::nullopt;
    }
    const auto entry = dictionary->find("NSExtensionPointIdentifier");
    if (entry == dictionary->end() || !entry->second.string()) {
        CRKSDKLog(CRKSDKLogLevelWarn,
                  "WARN  [%s:%d] Error: NSExtensionPointIdentifier Info.plist entry is mal-formed\n",
                  "CRKApplicationExtensionPointIdentifier", __LINE__);
        return std::nullopt;
    }
    return *entry->second.string();
}

bool CRKApplicationIsExtension() {
    return CRKApplicationExtensionPointIdentifier().has_value();
}

platform::Application* CRKApplicationSharedInstance() {
    return &platform::Application::shared();
}

platform::Value CRKApplicationBeginActivity(uint64_t options, const std::string& reason) {
    if (options & CRKActivitySuddenTerminationDisabled) suddenTerminationDisabled++;
    if (options & CRKActivityAutomaticTerminationDisabled) automaticTerminationDisabled++;
    return platform::Value::Dictionary{
        {"options", platform::Number(static_cast<unsigned long long>(options))},
        {"reason", reason},
    };
}

void CRKApplicationEndActivity(const platform::Value& token) {
    if (token.isNull()) return;
    const platform::Number* options = token["options"].number();
    if (!options) return;
    const uint64_t bits = options->unsignedLongLongValue();
    // An enable without its disable (a token ended twice) must not let the count go below zero.
    auto enable = [](std::atomic<int>& count) {
        int current = count.load();
        while (current > 0 && !count.compare_exchange_weak(current, current - 1)) {
        }
    };
    if (bits & CRKActivitySuddenTerminationDisabled) enable(suddenTerminationDisabled);
    if (bits & CRKActivityAutomaticTerminationDisabled) enable(automaticTerminationDisabled);
}

void CRKApplicationActivity(uint64_t options, const std::string& reason, const std::function<void()>& block) {
    const platform::Value token = CRKApplicationBeginActivity(options, reason);
    if (block) block();
    CRKApplicationEndActivity(token);
}

bool CRKApplicationSuddenTerminationEnabled() {
    return suddenTerminationDisabled.load() == 0;
}

bool CRKApplicationAutomaticTerminationEnabled() {
    return automaticTerminationDisabled.load() == 0;
}

}  // namespace reporting
