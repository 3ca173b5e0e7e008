#include "reporting/crash/image/CRKCodeMapping.h"

namespace reporting {

std::shared_ptr<CRKCodeMapping> CRKCodeMapping::mappingWithURL(const std::string& url) {
    return std::make_shared<CRKCodeMapping>(url);
}

}  // namespace reporting
