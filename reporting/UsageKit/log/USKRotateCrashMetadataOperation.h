#pragma once

#include <memory>
#include <string>

#include "reporting/UsageKit/events/USKCrashMetadata.h"
#include "reporting/UsageKit/events/USKMetadata.h"
#include "reporting/core/Operation.h"

namespace reporting {

// Hands launch metadata from one run to the next: reads (and removes) what the previous launch left,
// then stores this launch's.
class USKRotateCrashMetadataOperation : public Operation {
public:
    USKRotateCrashMetadataOperation(std::string crashMetadataURL,
                                    std::shared_ptr<USKMetadata> currentMetadata);
    void main() override;
    std::shared_ptr<USKCrashMetadata> crashMetadata() const { return crashMetadata_; }
    const std::string& crashMetadataURL() const { return crashMetadataURL_; }

private:
    const std::string crashMetadataURL_;
    std::shared_ptr<USKMetadata> currentMetadata_;
    platform::Value::Dictionary currentMetadataDictionary_;
    std::shared_ptr<USKCrashMetadata> crashMetadata_;
};

}  // namespace reporting
