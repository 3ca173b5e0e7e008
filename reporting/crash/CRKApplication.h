#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace platform {
class Application;
class ExtensionContext;
}  // namespace platform

namespace reporting {

// What the crash kit learns about the application it runs in (identity and versions from the main
// bundle's Info.plist, whether it is an application extension), and how it keeps the process from
// being ended while a report is prepared. Plain functions without state of their own.

std::string CRKApplicationGetBundleIdentifier();
std::optional<std::string> CRKApplicationGetBuildVersionString();
std::optional<std::string> CRKApplicationGetShortVersionString();
std::optional<std::string> CRKApplicationGetName();
std::optional<std::string> CRKApplicationExtensionPointIdentifier();
bool CRKApplicationIsExtension();
platform::Application* CRKApplicationSharedInstance();
// Opens the URL through the extension's host when a context is given, else through the desktop, and
// tells the completion whether it was opened.
void CRKApplicationOpenURL(const std::string& url, platform::ExtensionContext* extensionContext,
                           const std::function<void(bool)>& completion);

// Activity option bits of the platform.
constexpr uint64_t CRKActivitySuddenTerminationDisabled = 0x4000;
constexpr uint64_t CRKActivityAutomaticTerminationDisabled = 0x8000;

// The process information here has no activity support, so an activity is the dictionary
// {"options": the options, "reason": the reason}, and the two termination kinds are switched off and
// on again by hand.
platform::Value CRKApplicationBeginActivity(uint64_t options, const std::string& reason);
void CRKApplicationEndActivity(const platform::Value& token);
void CRKApplicationActivity(uint64_t options, const std::string& reason, const std::function<void()>& block);

// Whether the process may be ended without asking (sudden termination) or when idle (automatic
// termination): each disable must be matched by an enable. True when allowed.
bool CRKApplicationSuddenTerminationEnabled();
bool CRKApplicationAutomaticTerminationEnabled();

}  // namespace reporting
