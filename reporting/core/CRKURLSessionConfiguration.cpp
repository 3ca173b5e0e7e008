#include "reporting/core/CRKURLSessionConfiguration.h"

namespace reporting {

std::shared_ptr<CRKURLSessionConfiguration> CRKURLSessionConfiguration::defaultSessionConfiguration() {
    return std::make_shared<CRKURLSessionConfiguration>();
}

std::shared_ptr<CRKURLSessionConfiguration> CRKURLSessionConfiguration::ephemeralSessionConfiguration() {
    return std::make_shared<CRKURLSessionConfiguration>();
}

std::shared_ptr<CRKURLSessionConfiguration>
CRKURLSessionConfiguration::backgroundSessionConfigurationWithIdentifier(const std::string&) {
    return nullptr;
}

std::shared_ptr<CRKURLSessionConfiguration> CRKURLSessionConfiguration::backgroundSessionConfiguration(
    const std::string& identifier) {
    return backgroundSessionConfigurationWithIdentifier(identifier);
}

std::shared_ptr<CRKURLSessionConfiguration> CRKURLSessionConfiguration::copy() const {
    auto copy = std::make_shared<CRKURLSessionConfiguration>();
    copy->HTTPAdditionalHeaders_ = HTTPAdditionalHeaders_;
    return copy;
}

}  // namespace reporting
