#include "reporting/UsageKit/UsageKit.h"

#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

UsageKit& UsageKit::sharedInstance() {
    static UsageKit* instance = new UsageKit();  // lives as long as the process
    return *instance;
}

std::shared_ptr<RKTKitClass> UsageKit::kitClass() {
    struct Kit : RKTKit {
        std::string bundleIdentifier() const override { return sharedInstance().bundleIdentifier(); }
        std::string kitDisplayVersion() const override { return sharedInstance().kitDisplayVersion(); }
        std::optional<std::string> kitBuildVersion() const override {
            return sharedInstance().kitBuildVersion();
        }
        void initializeIfNeeded() override { sharedInstance().initializeIfNeeded(); }
    };
    auto kitClass = RKTKitClass::kitClass("UsageKit", std::make_shared<Kit>());
    using Arguments = std::vector<platform::Value>;
    auto text = [](const Arguments& arguments, size_t index) -> std::optional<std::string> {
        if (index < arguments.size() && arguments[index].string()) return *arguments[index].string();
        return std::nullopt;
    };
    kitClass->setClassOperation("startWithBetaToken:", [text](const Arguments& arguments) {
        startWithBetaToken(text(arguments, 0));
        return platform::Value();
    });
    kitClass->setClassOperation("logPreviousSessionCrashedOnDate:", [](const Arguments& arguments) {
        const platform::Date* date = arguments.empty() ? nullptr : arguments[0].date();
        logPreviousSessionCrashedOnDate(date ? std::optional<platform::Date>(*date) : std::nullopt);
        return platform::Value();
    });
    kitClass->setClassOperation("logCustomEventWithName:customAttributes:",
                                [text](const Arguments& arguments) {
                                    const auto name = text(arguments, 0);
                                    if (!name) return platform::Value();
                                    Attributes attributes;
                                    if (arguments.size() > 1 && arguments[1].dictionary())
                                        attributes = *arguments[1].dictionary();
                                    logCustomEventWithName_customAttributes(*name, attributes);
                                    return platform::Value();
                                });
    return kitClass;
}

void UsageKit::registerKitClass() {
    RKTKitClass::registerClass(kitClass());
}

std::string UsageKit::bundleIdentifier() const {
    return std::string(RKTMakerReverseDomainPrefix) + ".usagekit.mac";
}

void UsageKit::initializeIfNeeded() {
    auto crashKit = RKTKitClass::classNamed("CrashKit");
    if (crashKit && crashKit->conformsToRKTKit()) {
        crashKit->kit()->initializeIfNeeded();
        return;
    }
    sharedInstance().startWithBetaTokenOnce(std::nullopt);
}

void UsageKit::startWithBetaToken(const std::optional<std::string>& betaToken) {
    sharedInstance().startWithBetaTokenOnce(betaToken);
}

void UsageKit::startWithBetaTokenOnce(const std::optional<std::string>& betaToken) {
    {
        std::lock_guard lock(mutex_);
        if (started_) return;
        started_ = true;
    }
    configureLogging();
    USKLogger::sharedLogger().log("Initialized");
    setUsageKitController(USKUsageKitController::controllerWithBetaToken(betaToken));
}

void UsageKit::configureLogging() {
    USKLogger::sharedLogger().setDebugMode(ReportKit::sharedSDK().debug());
}

std::shared_ptr<USKUsageKitController> UsageKit::usageKitController() const {
    std::lock_guard lock(mutex_);
    return usageKitController_;
}

void UsageKit::setUsageKitController(std::shared_ptr<USKUsageKitController> controller) {
    std::lock_guard lock(mutex_);
    usageKitController_ = std::move(controller);
}

void UsageKit::resetForTesting() {
    UsageKit& kit = sharedInstance();
    std::lock_guard lock(kit.mutex_);
    kit.started_ = false;
    kit.usageKitController_.reset();
}

void UsageKit::printMethodUnavailableWithSelector(const std::string& selector) {
    USKLogger::sharedLogger().log("%s is not supported when using CrashKit through Nimbus.",
                                  selector.c_str());
}

bool UsageKit::availableFor(const char* selector) {
    if (!ReportKit::sharedSDK().nimbusMode()) return true;
    printMethodUnavailableWithSelector(selector);
    return false;
}

void UsageKit::hand(const std::shared_ptr<USKEvent>& event) {
    if (auto controller = sharedInstance().usageKitController()) controller->logEvent(event);
}

void UsageKit::logPreviousSessionCrashedOnDate(const std::optional<platform::Date>& date) {
    if (!date) return;
    auto controller = sharedInstance().usageKitController();
    if (controller) controller->logCrashEvent(std::make_shared<USKCrashEvent>(*date, 0));
}

void UsageKit::logCustomEventWithName_customAttributes(const std::string& name,
                                                       const Attributes& attributes) {
    if (!availableFor("logCustomEventWithName:customAttributes:")) return;
    hand(std::make_shared<USKCustomEvent>(name, attributes));
}

void UsageKit::logSignUpWithMethod_success_customAttributes(const Argument& method, const Argument& success,
                                                            const Attributes& attributes) {
    if (!availableFor("logSignUpWithMethod:success:customAttributes:")) return;
    hand(USKPredefinedEvent::signUpEventWithMethod_success_customAttributes(method, success, attributes));
}

void UsageKit::logLoginWithMethod_success_customAttributes(const Argument& method, const Argument& success,
                                                           const Attributes& attributes) {
    if (!availableFor("logLoginWithMethod:success:customAttributes:")) return;
    hand(USKPredefinedEvent::loginEventWithMethod_success_customAttributes(method, success, attributes));
}

void UsageKit::logShareWithMethod_contentName_contentType_contentId_customAttributes(
    const Argument& method, const Argument& contentName, const Argument& contentType,
    const Argument& contentId, const Attributes& attributes) {
    if (!availableFor("logShareWithMethod:contentName:contentType:contentId:customAttributes:")) return;
    hand(USKPredefinedEvent::shareEventWithMethod_contentName_contentType_contentId_customAttributes(
        method, contentName, contentType, contentId, attributes));
}

void UsageKit::logInviteWithMethod_customAttributes(const Argument& method, const Attributes& attributes) {
    if (!availableFor("logInviteWithMethod:customAttributes:")) return;
    hand(USKPredefinedEvent::inviteEventWithMethod_customAttributes(method, attributes));
}

void UsageKit::logPurchaseWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
    const Price& price, const Argument& currency, const Argument& success, const Argument& itemName,
    const Argument& itemType, const Argument& itemId, const Attributes& attributes) {
    if (!availableFor("logPurchaseWithPrice:currency:success:itemName:itemType:itemId:customAttributes:"))
        return;
    hand(
        USKPredefinedEvent::purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
            price, currency, success, itemName, itemType, itemId, attributes));
}

void UsageKit::logLevelStart_customAttributes(const Argument& levelName, const Attributes& attributes) {
    if (!availableFor("logLevelStart:customAttributes:")) return;
    hand(USKPredefinedEvent::levelStartEventWithLevelName_customAttributes(levelName, attributes));
}

void UsageKit::logLevelEnd_score_success_customAttributes(const Argument& levelName, const Argument& score,
                                                          const Argument& success,
                                                          const Attributes& attributes) {
    if (!availableFor("logLevelEnd:score:success:customAttributes:")) return;
    hand(USKPredefinedEvent::levelEndEventWithLevelName_score_success_customAttributes(levelName, score,
                                                                                       success, attributes));
}

void UsageKit::logAddToCartWithPrice_currency_itemName_itemType_itemId_customAttributes(
    const Price& price, const Argument& currency, const Argument& itemName, const Argument& itemType,
    const Argument& itemId, const Attributes& attributes) {
    if (!availableFor("logAddToCartWithPrice:currency:itemName:itemType:itemId:customAttributes:")) return;
    hand(USKPredefinedEvent::addToCartEventWithPrice_currency_itemName_itemType_itemId_customAttributes(
        price, currency, itemName, itemType, itemId, attributes));
}

void UsageKit::logStartCheckoutWithPrice_currency_itemCount_customAttributes(const Price& price,
                                                                             const Argument& currency,
                                                                             const Argument& itemCount,
                                                                             const Attributes& attributes) {
    if (!availableFor("logStartCheckoutWithPrice:currency:itemCount:customAttributes:")) return;
    hand(USKPredefinedEvent::startCheckoutEventWithPrice_currency_itemCount_customAttributes(
        price, currency, itemCount, attributes));
}

void UsageKit::logRating_contentName_contentType_contentId_customAttributes(const Argument& rating,
                                                                            const Argument& contentName,
                                                                            const Argument& contentType,
                                                                            const Argument& contentId,
                                                                            const Attributes& attributes) {
    if (!availableFor("logRating:contentName:contentType:contentId:customAttributes:")) return;
    hand(USKPredefinedEvent::ratingEventWithRating_contentName_contentType_contentId_customAttributes(
        rating, contentName, contentType, contentId, attributes));
}

void UsageKit::logContentViewWithName_contentType_contentId_customAttributes(const Argument& contentName,
                                                                             const Argument& contentType,
                                                                             const Argument& contentId,
                                                                             const Attributes& attributes) {
    if (!availableFor("logContentViewWithName:contentType:contentId:customAttributes:")) return;
    hand(USKPredefinedEvent::contentViewEventWithName_contentType_contentId_customAttributes(
        contentName, contentType, contentId, attributes));
}

void UsageKit::logSearchWithQuery_customAttributes(const Argument& query, const Attributes& attributes) {
    if (!availableFor("logSearchWithQuery:customAttributes:")) return;
    hand(USKPredefinedEvent::searchEventWithQuery_customAttributes(query, attributes));
}

}  // namespace reporting
