#include "reporting/crash/CRKAPIHeaders.h"

#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTNetworkOperation.h"
#include "reporting/crash/CRKIdentity.h"

namespace reporting {

void CRKSetAPIHeaders(platform::URLRequest& request, const std::string& userAgent,
                      const std::optional<std::string>& apiKey) {
    const std::string locale = RKTNetworkOperation(std::string()).localeIdentifier();
    request.setValue_forHTTPHeaderField(userAgent, "User-Agent");
    request.setValue_forHTTPHeaderField("application/json", "Accept");
    request.setValue_forHTTPHeaderField("utf-8", "Accept-Charset");
    request.setValue_forHTTPHeaderField(locale, "Accept-Language");
    request.setValue_forHTTPHeaderField(locale, "Content-Language");
    request.setValue_forHTTPHeaderField(RKTNetworkOperation::kDeveloperToken, "X-CrashKit-Developer-Token");
    request.setValue_forHTTPHeaderField(std::string(RKTMakerReverseDomainPrefix) + ".crashkit.mac",
                                        "X-CrashKit-API-Client-Id");
    request.setValue_forHTTPHeaderField(CRKDisplayVersion, "X-CrashKit-API-Client-Display-Version");
    request.setValue_forHTTPHeaderField(CRKBuildVersion, "X-CrashKit-API-Client-Build-Version");
    request.setValue_forHTTPHeaderField(apiKey, "X-CrashKit-API-Key");
}

}  // namespace reporting
