#include "reporting/core/RKTApplication.h"

#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "reporting/core/RKTBoolValue.h"
#include "reporting/core/RKTHost.h"

namespace reporting {

namespace {
std::optional<std::string> infoString(const std::string& key) {
    const platform::Value value = platform::Bundle::main().objectForInfoDictionaryKey(key);
    if (const std::string* text = value.string()) return *text;
    return std::nullopt;
}
}  // namespace

std::string RKTApplicationGetBundleIdentifier() {
    return platform::replaceAll(platform::Bundle::main().bundleIdentifier(), "/", "_");
}

std::optional<std::string> RKTApplicationGetBuildVersion() {
    return infoString("CFBundleVersion");
}

std::optional<std::string> RKTApplicationGetDisplayVersion() {
    return infoString("CFBundleShortVersionString");
}

std::optional<std::string> RKTApplicationGetName() {
    if (auto name = infoString("CFBundleDisplayName")) return name;
    if (auto name = infoString("CFBundleName")) return name;
    return RKTApplicationGetBuildVersion();
}

int RKTApplicationInstallationSource() {
    if (RKTApplicationHasAppStoreReceipt()) return RKTApplicationInstallationSourceAppStore;
    if (RKTApplicationIsSignedForDistribution()) return RKTApplicationInstallationSourceSignedForDistribution;
    return RKTApplicationInstallationSourceUnsigned;
}

std::string RKTApplicationAppStoreReceiptPath() {
    return platform::Bundle::main().bundlePath() + "/_MASReceipt/receipt";
}

bool RKTApplicationHasAppStoreReceipt() {
    if (RKTHostOSVersionCode() < 1070) return false;
    return platform::Files::exists(RKTApplicationAppStoreReceiptPath());
}

bool RKTApplicationIsSignedForDistribution() {
    return RKTBoolValue(platform::Bundle::main().objectForInfoDictionaryKey("CrashKitSignedForDistribution"));
}

}  // namespace reporting
