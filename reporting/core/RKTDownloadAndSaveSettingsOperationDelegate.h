#pragma once

#include "reporting/core/KitError.h"

namespace reporting {

class RKTDownloadAndSaveSettingsOperation;

// Hears how a settings download ended (a null error when the settings were saved), on the network
// client's queue.
class RKTDownloadAndSaveSettingsOperationDelegate {
public:
    virtual ~RKTDownloadAndSaveSettingsOperationDelegate() = default;
    virtual void operation_didDownloadAndSaveSettingsWithError(RKTDownloadAndSaveSettingsOperation& operation,
                                                               const KitErrorPtr& error) = 0;
};

}  // namespace reporting
