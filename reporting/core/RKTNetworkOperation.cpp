#include "reporting/core/RKTNetworkOperation.h"

#include <cstdlib>

#include "platform/base/Strings.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

namespace {

constexpr int kReloadIgnoringLocalCacheData = 1;

// A locale name as the environment gives it ("de_CH.UTF-8@euro") reduced to language and region.
// Anything that is not letters, digits, "_" and "-" is no locale name and is not put in a header.
std::string localeFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string locale = value;
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale.empty() || locale == "C" || locale == "POSIX") return "en_US_POSIX";
        if (locale.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") !=
            std::string::npos)
            return "en_US_POSIX";
        return locale;
    }
    return "en_US_POSIX";
}

}  // namespace

RKTNetworkOperation::RKTNetworkOperation(std::string APIKey) : APIKey_(std::move(APIKey)) {}

platform::URLRequest RKTNetworkOperation::mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(
    const std::string& url) const {
    return mutableRequestWithDefaultHTTPHeadersForURL_timeout(url, kDefaultTimeout);
}

platform::URLRequest RKTNetworkOperation::mutableRequestWithDefaultHTTPHeadersForURL_timeout(
    const std::string& url, double timeout) const {
    platform::URLRequest request(url, timeout);
    request.setCachePolicy(kReloadIgnoringLocalCacheData);
    request.setMaximumResponseLength(kMaximumAnswerLength);
    const std::string locale = localeIdentifier();
    request.setValue_forHTTPHeaderField(userAgentString(), "User-Agent");
    request.setValue_forHTTPHeaderField("utf-8", "Accept-Charset");
    request.setValue_forHTTPHeaderField(locale, "Accept-Language");
    request.setValue_forHTTPHeaderField(locale, "Content-Language");
    request.setValue_forHTTPHeaderField(kDeveloperToken, "X-CrashKit-Developer-Token");
    request.setValue_forHTTPHeaderField(ReportKit::kitIdentifier(), "X-CrashKit-API-Client-Id");
    request.setValue_forHTTPHeaderField(ReportKit::kKitDisplayVersion,
                                        "X-CrashKit-API-Client-Display-Version");
    request.setValue_forHTTPHeaderField(ReportKit::kKitBuildVersion, "X-CrashKit-API-Client-Build-Version");
    request.setValue_forHTTPHeaderField(APIKey_, "X-CrashKit-API-Key");
    return request;
}

std::string RKTNetworkOperation::userAgentString() const {
    return platform::format("%s/%s (%s)", ReportKit::kitIdentifier().c_str(), ReportKit::kKitDisplayVersion,
                            ReportKit::kKitBuildVersion);
}

std::string RKTNetworkOperation::localeIdentifier() const {
    return localeFromEnvironment();
}

}  // namespace reporting
