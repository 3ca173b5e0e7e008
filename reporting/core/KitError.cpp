#include "reporting/core/KitError.h"

#include "platform/base/Strings.h"

namespace reporting {

std::shared_ptr<KitError> KitError::errorWithDomain_code_userInfo(std::string domain, int64_t code,
                                                                  platform::Value::Dictionary userInfo) {
    return std::make_shared<KitError>(std::move(domain), code, std::move(userInfo));
}

std::shared_ptr<KitError> KitError::fromError(const platform::Error& error) {
    platform::Value::Dictionary userInfo;
    if (!error.description.empty()) userInfo[NSLocalizedDescriptionKey] = error.description;
    return std::make_shared<KitError>(error.domain, error.code, std::move(userInfo));
}

std::string KitError::localizedDescription() const {
    auto it = userInfo_.find(NSLocalizedDescriptionKey);
    if (it != userInfo_.end() && it->second.string()) return *it->second.string();
    return platform::format("The operation couldn't be completed. (%s error %lld.)", domain_.c_str(),
                            static_cast<long long>(code_));
}

}  // namespace reporting
