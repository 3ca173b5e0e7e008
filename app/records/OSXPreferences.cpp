#include "app/records/OSXPreferences.h"

namespace kestrune {

namespace {
const OSXPreferences::Registrar registrarOfOSXPreferences;
}

const RecordSchema<OSXPreferences>& OSXPreferences::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<OSXPreferences>(
        RecordSchema<OSXPreferences>()
            .number("allowLogin", &OSXPreferences::allowLogin_)
            .number("allowLogout", &OSXPreferences::allowLogout_)
            .number("isWaitingForConfirmation", &OSXPreferences::isWaitingForConfirmation_)
            .number("passwordScreenAuthMethod", &OSXPreferences::passwordScreenAuthMethod_)
            .text("OSXVersion", &OSXPreferences::OSXVersion_)
            .number("wakeScreenOnApproach", &OSXPreferences::wakeScreenOnApproach_)
            .number("allowCloserDistances", &OSXPreferences::allowCloserDistances_)
            .text("OSXSystemVersion", &OSXPreferences::OSXSystemVersion_)
            .number("lastConnectionTimestamp", &OSXPreferences::lastConnectionTimestamp_)
            .number("installAuthMethod", &OSXPreferences::installAuthMethod_)
            .number("onApproachAuthMethod", &OSXPreferences::onApproachAuthMethod_)
            .number("allowSiriUnlock", &OSXPreferences::allowSiriUnlock_)
            .number("allowSiriLock", &OSXPreferences::allowSiriLock_)
            .decodedInOrder({"allowLogin", "allowLogout", "isWaitingForConfirmation",
                             "passwordScreenAuthMethod", "OSXVersion", "OSXSystemVersion",
                             "wakeScreenOnApproach", "allowCloserDistances", "lastConnectionTimestamp",
                             "installAuthMethod", "onApproachAuthMethod", "allowSiriUnlock",
                             "allowSiriLock"}));
    return schema;
}

std::shared_ptr<OSXPreferences> OSXPreferences::init() {
    auto preferences = std::make_shared<OSXPreferences>();
    preferences->setDefaultValues();
    return preferences;
}

void OSXPreferences::setDefaultValues() {
    allowLogin_ = platform::Number(true);
    allowLogout_ = platform::Number(true);
    wakeScreenOnApproach_ = platform::Number(true);
    allowCloserDistances_ = platform::Number(false);
    isWaitingForConfirmation_ = platform::Number(0);
    passwordScreenAuthMethod_ = platform::Number(2);
    installAuthMethod_ = platform::Number(2);
    onApproachAuthMethod_ = platform::Number(0);
    allowSiriLock_ = platform::Number(true);
    allowSiriUnlock_ = platform::Number(true);
}

void OSXPreferences::updateModelUpdateForNewVersion() {
    if (!installAuthMethod_) installAuthMethod_ = platform::Number(2);
    if (!allowLogin_) allowLogin_ = platform::Number(true);
    if (!allowLogout_) allowLogout_ = platform::Number(true);
    if (!isWaitingForConfirmation_) isWaitingForConfirmation_ = platform::Number(0);
    if (!wakeScreenOnApproach_) wakeScreenOnApproach_ = platform::Number(true);
    if (!allowCloserDistances_) allowCloserDistances_ = platform::Number(false);
    if (!passwordScreenAuthMethod_) passwordScreenAuthMethod_ = platform::Number(2);
    if (!onApproachAuthMethod_) onApproachAuthMethod_ = platform::Number(0);
    if (!allowSiriUnlock_) allowSiriUnlock_ = platform::Number(true);
    if (!allowSiriLock_) allowSiriLock_ = platform::Number(true);
}

void OSXPreferences::decodeWithCoder(platform::KeyedUnarchiver& coder) {
    KeyedPayloadRecord::decodeWithCoder(coder);
    updateModelUpdateForNewVersion();
}

std::shared_ptr<OSXPreferences> OSXPreferences::customCopy() const {
    auto copy = init();
    copy->allowLogin_ = allowLogin_;
    copy->allowLogout_ = allowLogout_;
    copy->isWaitingForConfirmation_ = isWaitingForConfirmation_;
    copy->passwordScreenAuthMethod_ = passwordScreenAuthMethod_;
    copy->OSXVersion_ = OSXVersion_;
    copy->wakeScreenOnApproach_ = wakeScreenOnApproach_;
    copy->allowCloserDistances_ = allowCloserDistances_;
    copy->OSXSystemVersion_ = OSXSystemVersion_;
    copy->lastConnectionTimestamp_ = lastConnectionTimestamp_;
    copy->installAuthMethod_ = installAuthMethod_;
    copy->onApproachAuthMethod_ = onApproachAuthMethod_;
    copy->allowSiriUnlock_ = allowSiriUnlock_;
    copy->allowSiriLock_ = allowSiriLock_;
    return copy;
}

}  // namespace kestrune
