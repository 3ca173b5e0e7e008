#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Authorization flags and results, as the authorization services number them.
inline constexpr uint32_t kAuthorizationFlagInteractionAllowed = 1;
inline constexpr uint32_t kAuthorizationFlagExtendRights = 2;
inline constexpr uint32_t kAuthorizationFlagPreAuthorize = 8;
inline constexpr int32_t kAuthorizationSuccess = 0;
inline constexpr int32_t kAuthorizationDenied = -60005;
inline constexpr int32_t kAuthorizationCanceled = -60006;

// One item of a rights set or an environment: a name and its value's bytes (empty: no value).
struct AuthorizationItem {
    std::string name;
    std::string value;
};

// The system's security services: administrator authorization (the system's own dialog), the
// accessibility trust of this process, and the launch-at-login helper. The program's entry (or a test)
// installs the backend; until then every request is refused.
class SecurityServices {
public:
    virtual ~SecurityServices() = default;

    // A new authorization reference; none when it could not be made.
    virtual std::optional<uint64_t> createAuthorization(
        const std::vector<AuthorizationItem>& environment) = 0;
    // Asks for the rights, showing the system's dialog when the flags allow it; blocks until answered.
    virtual int32_t copyRights(uint64_t authorization, const std::vector<AuthorizationItem>& rights,
                               const std::vector<AuthorizationItem>& environment, uint32_t flags) = 0;
    virtual void freeAuthorization(uint64_t authorization) = 0;

    // Whether this process may control the computer; with prompt the system asks the user to allow it.
    virtual bool isProcessTrusted(bool prompt) = 0;

    // Enables or disables the helper application that launches us at login; false when that failed.
    virtual bool setLoginHelperEnabled(const std::string& bundleIdentifier, bool enabled) = 0;

    static std::shared_ptr<SecurityServices> current();
    static void install(std::shared_ptr<SecurityServices> backend);
};

}  // namespace platform
