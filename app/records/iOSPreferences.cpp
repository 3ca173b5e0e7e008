#include "app/records/iOSPreferences.h"

#include "app/records/PhoneRecordServices.h"
#include "app/support/Common.h"

namespace kestrune {

namespace {
const iOSPreferences::Registrar registrarOfIOSPreferences;

std::string defaultLanguage() {
    return PhoneRecordServices::current()->languageToBeUsedFromSupportedLanguages();
}
}  // namespace

const RecordSchema<iOSPreferences>& iOSPreferences::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<iOSPreferences>(
        RecordSchema<iOSPreferences>()
            .number("iOSapplicationState", &iOSPreferences::iOSapplicationState_)
            .number("chosenMetric", &iOSPreferences::chosenMetric_)
            .text("iOSVersion", &iOSPreferences::iOSVersion_)
            .number("iOSCharging", &iOSPreferences::iOSCharging_)
            .number("useMotionTracking", &iOSPreferences::useMotionTracking_)
            .number("iOSallowNotificationLogin", &iOSPreferences::iOSallowNotificationLogin_)
            .text("iOSSystemVersion", &iOSPreferences::iOSSystemVersion_)
            .text("iOSPushId", &iOSPreferences::iOSPushId_)
            .text("language", &iOSPreferences::language_)
            .number("batteryPercent", &iOSPreferences::batteryPercent_));
    return schema;
}

std::shared_ptr<iOSPreferences> iOSPreferences::init() {
    auto preferences = std::make_shared<iOSPreferences>();
    preferences->setDefaultValues();
    return preferences;
}

void iOSPreferences::setDefaultValues() {
    iOSapplicationState_ = platform::Number(0);
    chosenMetric_ = platform::Number(Common::getDefaultMetricSystem());
    iOSCharging_ = platform::Number(false);
    useMotionTracking_ = platform::Number(true);
    iOSallowNotificationLogin_ = platform::Number(true);
    language_ = defaultLanguage();
    batteryPercent_ = platform::Number(100);
}

void iOSPreferences::updateModelUpdateForNewVersion() {
    if (!useMotionTracking_) useMotionTracking_ = platform::Number(true);
    if (!iOSCharging_) iOSCharging_ = platform::Number(false);
    if (!iOSallowNotificationLogin_) iOSallowNotificationLogin_ = platform::Number(true);
    if (!language_) language_ = defaultLanguage();
    if (!batteryPercent_) batteryPercent_ = platform::Number(100);
}

void iOSPreferences::decodeWithCoder(platform::KeyedUnarchiver& coder) {
    KeyedPayloadRecord::decodeWithCoder(coder);
    updateModelUpdateForNewVersion();
}

std::shared_ptr<iOSPreferences> iOSPreferences::customCopy() const {
    auto copy = init();
    copy->iOSapplicationState_ = iOSapplicationState_;
    copy->chosenMetric_ = chosenMetric_;
    copy->iOSVersion_ = iOSVersion_;
    copy->iOSCharging_ = iOSCharging_;
    copy->useMotionTracking_ = useMotionTracking_;
    copy->iOSallowNotificationLogin_ = iOSallowNotificationLogin_;
    copy->iOSSystemVersion_ = iOSSystemVersion_;
    copy->iOSPushId_ = iOSPushId_;
    copy->language_ = language_;
    copy->batteryPercent_ = batteryPercent_;
    return copy;
}

}  // namespace kestrune
