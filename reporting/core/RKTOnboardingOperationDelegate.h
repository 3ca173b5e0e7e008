#pragma once

#include "reporting/core/KitError.h"

namespace reporting {

class RKTOnboardingOperation;

// Hears how an onboarding request ended (a null error for success), on the network client's queue.
class RKTOnboardingOperationDelegate {
public:
    virtual ~RKTOnboardingOperationDelegate() = default;
    virtual void onboardingOperation_didCompleteAppCreationWithError(RKTOnboardingOperation& operation,
                                                                     const KitErrorPtr& error) = 0;
    virtual void onboardingOperation_didCompleteAppUpdateWithError(RKTOnboardingOperation& operation,
                                                                   const KitErrorPtr& error) = 0;
};

}  // namespace reporting
