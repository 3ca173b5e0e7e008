#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/DecimalNumber.h"
#include "platform/base/Value.h"
#include "reporting/core/RKTKit.h"
#include "reporting/core/RKTKitClass.h"

namespace reporting {

class USKUsageKitController;
class USKEvent;

// The analytics kit's public face: each call becomes one event handed to the pipeline controller. Any
// thread may call it. Before the kit is started, events reach no controller and are dropped.
class UsageKit : public RKTKit {
public:
    using Argument = platform::Value;  // none leaves the attribute out
    using Price = std::optional<platform::DecimalNumber>;
    using Attributes = std::optional<platform::Value::Dictionary>;

    static UsageKit& sharedInstance();
    // The kit class the core registers ("UsageKit", adopting the kit interface). It answers by name the
    // class operations the crash kit asks for: "startWithBetaToken:", "logPreviousSessionCrashedOnDate:"
    // and "logCustomEventWithName:customAttributes:".
    static std::shared_ptr<RKTKitClass> kitClass();
    // Puts the kit class in the class list, where the registry and the crash kit find it.
    static void registerKitClass();

    // RKTKit
    std::string bundleIdentifier() const override;
    std::string kitDisplayVersion() const override { return "1.4.0"; }
    std::optional<std::string> kitBuildVersion() const override { return std::string("31"); }
    void initializeIfNeeded() override;

    static void startWithBetaToken(const std::optional<std::string>& betaToken);
    static void logPreviousSessionCrashedOnDate(const std::optional<platform::Date>& date);
    static void logCustomEventWithName_customAttributes(const std::string& name,
                                                        const Attributes& attributes);
    static void logSignUpWithMethod_success_customAttributes(const Argument& method, const Argument& success,
                                                             const Attributes& attributes);
    static void logLoginWithMethod_success_customAttributes(const Argument& method, const Argument& success,
                                                            const Attributes& attributes);
    static void logShareWithMethod_contentName_contentType_contentId_customAttributes(
        const Argument& method, const Argument& contentName, const Argument& contentType,
        const Argument& contentId, const Attributes& attributes);
    static void logInviteWithMethod_customAttributes(const Argument& method, const Attributes& attributes);
    static void logPurchaseWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
        const Price& price, const Argument& currency, const Argument& success, const Argument& itemName,
        const Argument& itemType, const Argument& itemId, const Attributes& attributes);
    static void logLevelStart_customAttributes(const Argument& levelName, const Attributes& attributes);
    static void logLevelEnd_score_success_customAttributes(const Argument& levelName, const Argument& score,
                                                           const Argument& success,
                                                           const Attributes& attributes);
    static void logAddToCartWithPrice_currency_itemName_itemType_itemId_customAttributes(
        const Price& price, const Argument& currency, const Argument& itemName, const Argument& itemType,
        const Argument& itemId, const Attributes& attributes);
    static void logStartCheckoutWithPrice_currency_itemCount_customAttributes(const Price& price,
                                                                              const Argument& currency,
                                                                              const Argument& itemCount,
                                                                              const Attributes& attributes);
    static void logRating_contentName_contentType_contentId_customAttributes(const Argument& rating,
                                                                             const Argument& contentName,
                                                                             const Argument& contentType,
                                                                             const Argument& contentId,
                                                                             const Attributes& attributes);
    static void logContentViewWithName_contentType_contentId_customAttributes(const Argument& contentName,
                                                                              const Argument& contentType,
                                                                              const Argument& contentId,
                                                                              const Attributes& attributes);
    static void logSearchWithQuery_customAttributes(const Argument& query, const Attributes& attributes);
    static void printMethodUnavailableWithSelector(const std::string& selector);

    // Instance side: starts once per process.
    void startWithBetaTokenOnce(const std::optional<std::string>& betaToken);
    void configureLogging();
    std::shared_ptr<USKUsageKitController> usageKitController() const;
    void setUsageKitController(std::shared_ptr<USKUsageKitController> controller);

    // Tests: forget the controller and the once-only start, as a new process.
    static void resetForTesting();

private:
    // In Nimbus mode the public log operations record nothing: answers whether the call may go on.
    static bool availableFor(const char* selector);
    static void hand(const std::shared_ptr<USKEvent>& event);

    mutable std::mutex mutex_;
    bool started_ = false;
    std::shared_ptr<USKUsageKitController> usageKitController_;
};

}  // namespace reporting
