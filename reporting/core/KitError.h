#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Object.h"
#include "platform/base/Value.h"

namespace reporting {

// An error as the kit passes it between its parts: a domain, a code and a dictionary of further facts
// (the status code of a refused request, the errors of the children of a compound operation, ...). A
// KitError can itself stand in such a dictionary. "No error" is a null pointer.
class KitError : public platform::Object {
public:
    // The user-information key of the human-readable description.
    static constexpr const char* NSLocalizedDescriptionKey = "NSLocalizedDescription";

    KitError(std::string domain, int64_t code, platform::Value::Dictionary userInfo = {})
        : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

    static std::shared_ptr<KitError> errorWithDomain_code_userInfo(std::string domain, int64_t code,
                                                                   platform::Value::Dictionary userInfo = {});
    // The platform's error, its description kept under NSLocalizedDescriptionKey.
    static std::shared_ptr<KitError> fromError(const platform::Error& error);

    const std::string& domain() const { return domain_; }
    int64_t code() const { return code_; }
    const platform::Value::Dictionary& userInfo() const { return userInfo_; }
    // The description in the user information, else one made of the domain and the code.
    std::string localizedDescription() const;
    platform::Error platformError() const { return {domain_, code_, localizedDescription()}; }

    std::string className() const override { return "KitError"; }

private:
    std::string domain_;
    int64_t code_;
    platform::Value::Dictionary userInfo_;
};

using KitErrorPtr = std::shared_ptr<KitError>;

}  // namespace reporting
