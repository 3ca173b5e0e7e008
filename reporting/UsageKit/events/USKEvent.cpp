#include "reporting/UsageKit/events/USKEvent.h"

#include "platform/base/Strings.h"
#include "reporting/core/RKTByteUtility.h"

namespace reporting {

USKEvent::USKEvent() : timestamp_(platform::Date::now()), identifier_(RKTGenerateUUID()) {}

std::string USKEvent::description() const {
    return platform::format("<%s: %s>", name().c_str(), identifier_.c_str());
}

// Predefined events.

platform::Value::Dictionary USKPredefinedEvent::dictionaryRepresentation() const {
    return {{"eventId", identifier()},
            {"predefined_type", predefinedEventName_},
            {"custom_attributes", customAttributes_.dictionaryRepresentation()},
            {"predefined_attributes", predefinedAttributes_.dictionaryRepresentation()}};
}

std::string USKPredefinedEvent::description() const {
    return platform::format("<USKPredefinedEvent: %s\n%s\n%s>", predefinedEventName_.c_str(),
                            predefinedAttributes_.description().c_str(),
                            customAttributes_.description().c_str());
}

std::shared_ptr<USKPredefinedEvent> USKPredefinedEvent::make(const std::string& type, const Custom& custom) {
    auto event = std::make_shared<USKPredefinedEvent>();
    event->setPredefinedEventName(type);
    event->setCustomAttributes(USKAttributeDictionary(custom));
    return event;
}

namespace {
void plain(USKPredefinedEvent& e, const char* key, const platform::Value& v) {
    e.predefinedAttributes().addAttribute_forKey(v, platform::Value(key));
}
}  // namespace

std::shared_ptr<USKPredefinedEvent> USKPredefinedEvent::signUpEventWithMethod_success_customAttributes(
    const Argument& method, const Argument& success, const Custom& custom) {
    auto e = make("sign_up", custom);
    plain(*e, "method", method);
    e->predefinedAttributes().addBooleanAttribute_forKey(success, "success");
    return e;
}

std::shared_ptr<USKPredefinedEvent> USKPredefinedEvent::loginEventWithMethod_success_customAttributes(
    const Argument& method, const Argument& success, const Custom& custom) {
    auto e = make("login", custom);
    plain(*e, "method", method);
    e->predefinedAttributes().addBooleanAttribute_forKey(success, "success");
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::shareEventWithMethod_contentName_contentType_contentId_customAttributes(
    const Argument& method, const Argument& contentName, const Argument& contentType,
    const Argument& contentId, const Custom& custom) {
    auto e = make("share", custom);
    plain(*e, "method", method);
    plain(*e, "content_name", contentName);
    plain(*e, "content_type", contentType);
    plain(*e, "content_id", contentId);
    return e;
}

std::shared_ptr<USKPredefinedEvent> USKPredefinedEvent::inviteEventWithMethod_customAttributes(
    const Argument& method, const Custom& custom) {
    auto e = make("invite", custom);
    plain(*e, "method", method);
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
    const Price& price, const Argument& currency, const Argument& success, const Argument& itemName,
    const Argument& itemType, const Argument& itemId, const Custom& custom) {
    auto e = make("purchase", custom);
    e->predefinedAttributes().addPriceAttribute_forKey(price, "item_price");
    plain(*e, "currency", currency);
    e->predefinedAttributes().addBooleanAttribute_forKey(success, "success");
    plain(*e, "item_name", itemName);
    plain(*e, "item_type", itemType);
    plain(*e, "item_id", itemId);
    return e;
}

std::shared_ptr<USKPredefinedEvent> USKPredefinedEvent::levelStartEventWithLevelName_customAttributes(
    const Argument& levelName, const Custom& custom) {
    auto e = make("level_start", custom);
    plain(*e, "level_name", levelName);
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::levelEndEventWithLevelName_score_success_customAttributes(const Argument& levelName,
                                                                              const Argument& score,
                                                                              const Argument& success,
                                                                              const Custom& custom) {
    auto e = make("level_end", custom);
    plain(*e, "level_name", levelName);
    plain(*e, "score", score);
    e->predefinedAttributes().addBooleanAttribute_forKey(success, "success");
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::addToCartEventWithPrice_currency_itemName_itemType_itemId_customAttributes(
    const Price& price, const Argument& currency, const Argument& itemName, const Argument& itemType,
    const Argument& itemId, const Custom& custom) {
    auto e = make("add_to_cart", custom);
    e->predefinedAttributes().addPriceAttribute_forKey(price, "item_price");
    plain(*e, "currency", currency);
    plain(*e, "item_name", itemName);
    plain(*e, "item_type", itemType);
    plain(*e, "item_id", itemId);
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::startCheckoutEventWithPrice_currency_itemCount_customAttributes(const Price& price,
                                                                                    const Argument& currency,
                                                                                    const Argument& itemCount,
                                                                                    const Custom& custom) {
    auto e = make("start_checkout", custom);
    e->predefinedAttributes().addPriceAttribute_forKey(price, "total_price");
    plain(*e, "currency", currency);
    plain(*e, "item_count", itemCount);
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::ratingEventWithRating_contentName_contentType_contentId_customAttributes(
    const Argument& rating, const Argument& contentName, const Argument& contentType,
    const Argument& contentId, const Custom& custom) {
    auto e = make("rating", custom);
    plain(*e, "rating", rating);
    plain(*e, "content_name", contentName);
    plain(*e, "content_type", contentType);
    plain(*e, "content_id", contentId);
    return e;
}

std::shared_ptr<USKPredefinedEvent>
USKPredefinedEvent::contentViewEventWithName_contentType_contentId_customAttributes(
    const Argument& contentName, const Argument& contentType, const Argument& contentId,
    const Custom& custom) {
    auto e = make("content_view", custom);
    plain(*e, "content_name", contentName);
    plain(*e, "content_type", contentType);
    plain(*e, "content_id", contentId);
    return e;
}

std::shared_ptr<USKPredefinedEvent> USKPredefinedEvent::searchEventWithQuery_customAttributes(
    const Argument& query, const Custom& custom) {
    auto e = make("search", custom);
    plain(*e, "query", query);
    return e;
}

// Lifecycle events.

const std::map<std::string, std::string>& USKLifecycleEvent::notificationNameMap() {
    // Never destroyed: the application's termination is an event too, told while the process ends.
    static const auto& map = *new std::map<std::string, std::string>{
        {"NSApplicationWillTerminateNotification", "app_terminated"},
        {"NSApplicationWillResignActiveNotification", "app_became_inactive"},
        {"NSApplicationDidBecomeActiveNotification", "app_became_active"},
    };
    return map;
}

std::string USKLifecycleEvent::nameFromNotification(const platform::Notification& notification) {
    auto it = notificationNameMap().find(notification.name);
    return it == notificationNameMap().end() ? "unknown-notification" : it->second;
}

std::shared_ptr<USKLifecycleEvent> USKLifecycleEvent::eventWithNotification(
    const platform::Notification& notification) {
    return std::make_shared<USKLifecycleEvent>(nameFromNotification(notification));
}

std::shared_ptr<USKLifecycleEvent> USKLifecycleEvent::installEvent() {
    return std::make_shared<USKLifecycleEvent>("app_installed");
}

std::shared_ptr<USKLifecycleEvent> USKLifecycleEvent::appLaunchedEvent() {
    return std::make_shared<USKLifecycleEvent>("app_launched");
}

platform::Value::Dictionary USKLifecycleEvent::dictionaryRepresentation() const {
    return {{"eventId", identifier()}};
}

bool USKLifecycleEvent::triggersFlush() const {
    return name_ == "app_became_inactive" || name_ == "app_became_active" || name_ == "app_installed";
}

// Custom events.

USKCustomEvent::USKCustomEvent(std::string customEventName,
                               std::optional<platform::Value::Dictionary> customAttributes)
    : customEventName_(std::move(customEventName)), customAttributes_(std::move(customAttributes)) {}

platform::Value::Dictionary USKCustomEvent::dictionaryRepresentation() const {
    return {{"eventId", identifier()},
            {"custom_type", customEventName_},
            {"custom_attributes", attributesDictionary().dictionaryRepresentation()}};
}

std::string USKCustomEvent::description() const {
    return platform::format("<USKCustomEvent: %s\n%s>", customEventName_.c_str(),
                            attributesDictionary().description().c_str());
}

// Crash events.

USKCrashEvent::USKCrashEvent(platform::Date crashTimestamp, int64_t crashState)
    : crashTimestamp_(crashTimestamp), crashState_(crashState) {}

std::string USKCrashEvent::payloadStringForCrashState(int64_t state) {
    if (state == 1) return "foreground";
    if (state == 2) return "background";
    return "unknown";
}

platform::Value::Dictionary USKCrashEvent::dictionaryRepresentation() const {
    return {{"eventId", identifier()}, {"crash_state", payloadStringForCrashState(crashState_)}};
}

}  // namespace reporting
