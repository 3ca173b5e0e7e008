#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/DecimalNumber.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Value.h"
#include "reporting/UsageKit/events/USKAttributeDictionary.h"

namespace reporting {

// The base of every analytics event: when it was made and its own identifier.
class USKEvent {
public:
    USKEvent();
    virtual ~USKEvent() = default;
    virtual std::string name() const { return "unknown"; }
    virtual platform::Value::Dictionary dictionaryRepresentation() const { return {}; }
    virtual bool triggersFlush() const { return false; }
    virtual platform::Date timestamp() const { return timestamp_; }
    const std::string& identifier() const { return identifier_; }
    virtual std::string description() const;

private:
    platform::Date timestamp_;
    std::string identifier_;
};

// One of the kit's named events with its predefined and custom attributes.
class USKPredefinedEvent : public USKEvent {
public:
    using Argument = platform::Value;  // none: the attribute is left out
    using Price = std::optional<platform::DecimalNumber>;

    std::string name() const override { return "predefined"; }
    platform::Value::Dictionary dictionaryRepresentation() const override;
    std::string description() const override;

    const std::string& predefinedEventName() const { return predefinedEventName_; }
    void setPredefinedEventName(std::string name) { predefinedEventName_ = std::move(name); }
    USKAttributeDictionary& predefinedAttributes() { return predefinedAttributes_; }
    const USKAttributeDictionary& predefinedAttributes() const { return predefinedAttributes_; }
    USKAttributeDictionary& customAttributes() { return customAttributes_; }
    const USKAttributeDictionary& customAttributes() const { return customAttributes_; }
    void setCustomAttributes(USKAttributeDictionary attributes) { customAttributes_ = std::move(attributes); }

    using Custom = std::optional<platform::Value::Dictionary>;
    static std::shared_ptr<USKPredefinedEvent> signUpEventWithMethod_success_customAttributes(
        const Argument& method, const Argument& success, const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent> loginEventWithMethod_success_customAttributes(
        const Argument& method, const Argument& success, const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent>
    shareEventWithMethod_contentName_contentType_contentId_customAttributes(const Argument& method,
                                                                            const Argument& contentName,
                                                                            const Argument& contentType,
                                                                            const Argument& contentId,
                                                                            const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent> inviteEventWithMethod_customAttributes(const Argument& method,
                                                                                      const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent>
    purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
        const Price& price, const Argument& currency, const Argument& success, const Argument& itemName,
        const Argument& itemType, const Argument& itemId, const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent> levelStartEventWithLevelName_customAttributes(
        const Argument& levelName, const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent> levelEndEventWithLevelName_score_success_customAttributes(
        const Argument& levelName, const Argument& score, const Argument& success, const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent>
    addToCartEventWithPrice_currency_itemName_itemType_itemId_customAttributes(
        const Price& price, const Argument& currency, const Argument& itemName, const Argument& itemType,
        const Argument& itemId, const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent>
    startCheckoutEventWithPrice_currency_itemCount_customAttributes(const Price& price,
                                                                    const Argument& currency,
                                                                    const Argument& itemCount,
                                                                    const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent>
    ratingEventWithRating_contentName_contentType_contentId_customAttributes(const Argument& rating,
                                                                             const Argument& contentName,
                                                                             const Argument& contentType,
                                                                             const Argument& contentId,
                                                                             const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent>
    contentViewEventWithName_contentType_contentId_customAttributes(const Argument& contentName,
                                                                    const Argument& contentType,
                                                                    const Argument& contentId,
                                                                    const Custom& custom);
    static std::shared_ptr<USKPredefinedEvent> searchEventWithQuery_customAttributes(const Argument& query,
                                                                                     const Custom& custom);

private:
    static std::shared_ptr<USKPredefinedEvent> make(const std::string& type, const Custom& custom);
    std::string predefinedEventName_;
    USKAttributeDictionary predefinedAttributes_;
    USKAttributeDictionary customAttributes_;
};

// Launch, install and application-state events.
class USKLifecycleEvent : public USKEvent {
public:
    static std::shared_ptr<USKLifecycleEvent> eventWithNotification(
        const platform::Notification& notification);
    static std::shared_ptr<USKLifecycleEvent> installEvent();
    static std::shared_ptr<USKLifecycleEvent> appLaunchedEvent();
    static const std::map<std::string, std::string>& notificationNameMap();
    static std::string nameFromNotification(const platform::Notification& notification);

    explicit USKLifecycleEvent(std::string name) : name_(std::move(name)) {}  // initWithName:
    std::string name() const override { return name_; }
    platform::Value::Dictionary dictionaryRepresentation() const override;
    bool triggersFlush() const override;

private:
    std::string name_;
};

// An event the host names itself, with its own attributes.
class USKCustomEvent : public USKEvent {
public:
    USKCustomEvent(std::string customEventName, std::optional<platform::Value::Dictionary> customAttributes);
    std::string name() const override { return "custom"; }
    platform::Value::Dictionary dictionaryRepresentation() const override;
    std::string description() const override;
    const std::string& customEventName() const { return customEventName_; }
    const std::optional<platform::Value::Dictionary>& customAttributes() const { return customAttributes_; }
    void setCustomAttributes(std::optional<platform::Value::Dictionary> a) {
        customAttributes_ = std::move(a);
    }
    USKAttributeDictionary attributesDictionary() const { return USKAttributeDictionary(customAttributes_); }

private:
    std::string customEventName_;
    std::optional<platform::Value::Dictionary> customAttributes_;
};

// The previous launch's crash, dated at the crash.
class USKCrashEvent : public USKEvent {
public:
    USKCrashEvent(platform::Date crashTimestamp, int64_t crashState);  // initWithTimestamp:crashState:
    std::string name() const override { return "app_crashed"; }
    platform::Value::Dictionary dictionaryRepresentation() const override;
    platform::Date timestamp() const override { return crashTimestamp_; }
    platform::Date crashTimestamp() const { return crashTimestamp_; }
    void setCrashTimestamp(platform::Date date) { crashTimestamp_ = date; }
    int64_t crashState() const { return crashState_; }
    void setCrashState(int64_t state) { crashState_ = state; }
    static std::string payloadStringForCrashState(int64_t state);

private:
    platform::Date crashTimestamp_;
    int64_t crashState_;
};

}  // namespace reporting
