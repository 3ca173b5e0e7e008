#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A local user account as the identity services describe it.
struct UserIdentity {
    uint32_t posixUID = 0;
    std::string posixName;
    std::string fullName;
    bool enabled = true;
    std::string picturePath;  // empty: no picture
};

// The local identity authority: who has an account here, and whether a password opens one. The
// program's entry (or a test) installs the backend. Until then the only account is the one running the
// process, and no password opens it: a real check would need the system's authentication modules and
// a real account's password, so checks are made by the installed (simulated) accounts only.
class UserAccounts {
public:
    virtual ~UserAccounts() = default;

    virtual std::vector<UserIdentity> localUserIdentities() = 0;
    virtual bool authenticate(const std::string& posixName, const std::string& password) = 0;

    static std::shared_ptr<UserAccounts> current();
    static void install(std::shared_ptr<UserAccounts> backend);
};

}  // namespace platform
