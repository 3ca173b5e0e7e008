#pragma once

#include <optional>
#include <string>

#include "platform/net/URLRequest.h"

namespace reporting {

// The header block every request of the crash kit to its service carries: the client and its version,
// the accepted format and character set, the user's language, the developer token and the API key.
void CRKSetAPIHeaders(platform::URLRequest& request, const std::string& userAgent,
                      const std::optional<std::string>& apiKey);

}  // namespace reporting
