#include "reporting/crash/CRKApplication.h"

#include <atomic>

#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "platform/system/DesktopServices.h"
#include "platform/system/ExtensionContext.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

std::atomic<int> suddenTerminationDisabled{0};
std::atomic<int> automaticTerminationDisabled{0};

}  // namespace

// The crash kit reports the same application facts as the kit's core.
std::string CRKApplicationGetBundleIdentifier() {
    return RKTApplicationGetBundleIdentifier();
}

std::optional<std::string> CRKApplicationGetBuildVersionString() {
    return RKTApplicationGetBuildVersion();
}

std::optional<std::string> CRKApplicationGetShortVersionString() {
    return RKTApplicationGetDisplayVersion();
}

std::optional<std::string> CRKApplicationGetName() {
    return RKTApplicationGetName();
}

std::optional<std::string> CRKApplicationExtensionPointIdentifier() {
    const platform::Value extension = platform::Bundle::main().objectForInfoDictionaryKey("NSExtension");
    if (extension.isNull()) return std::nullopt;
    const platform::Value::Dictionary* dictionary = extension.dictionary();
    if (!dictionary) {
        CRKSDKLOG_WARN("Error: NSExtension Info.plist entry is mal-formed\n");
        return std::nullopt;
    }
    const auto entry = dictionary->find("NSExtensionPointIdentifier");
    if (entry == dictionary->end() || !entry->second.string()) {
        CRKSDKLOG_WARN("Error: NSExtensionPointIdentifier Info.plist entry is mal-formed\n");
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

void CRKApplicationOpenURL(const std::string& url, platform::ExtensionContext* extensionContext,
                           const std::function<void(bool)>& completion) {
    if (extensionContext) {
        extensionContext->openURL_completionHandler(url, completion);
        return;
    }
    const bool opened = platform::DesktopServices::current()->openURL(url);
    if (completion) completion(opened);
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
