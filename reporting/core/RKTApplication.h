#pragma once

#include <optional>
#include <string>

namespace reporting {

// What the kit reports about the running application, from the main bundle's Info.plist. Free of
// shared state; any thread may call them.

// Installation source codes.
constexpr int RKTApplicationInstallationSourceUnsigned = 1;
constexpr int RKTApplicationInstallationSourceSignedForDistribution = 3;
constexpr int RKTApplicationInstallationSourceAppStore = 4;

// The bundle identifier with every "/" replaced by "_".
std::string RKTApplicationGetBundleIdentifier();
// "CFBundleVersion" and "CFBundleShortVersionString"; none when absent or not texts.
std::optional<std::string> RKTApplicationGetBuildVersion();
std::optional<std::string> RKTApplicationGetDisplayVersion();
// "CFBundleDisplayName", else "CFBundleName", else the build version.
std::optional<std::string> RKTApplicationGetName();
// 4 with a store receipt, else 3 when signed for distribution, else 1.
int RKTApplicationInstallationSource();
// A store receipt lies in the bundle at _MASReceipt/receipt (where store installs keep it); only looked
// for on systems whose version code is at least 1070.
bool RKTApplicationHasAppStoreReceipt();
std::string RKTApplicationAppStoreReceiptPath();
// "CrashKitSignedForDistribution" read as a boolean; false when absent.
bool RKTApplicationIsSignedForDistribution();

}  // namespace reporting
