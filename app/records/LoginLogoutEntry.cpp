#include "app/records/LoginLogoutEntry.h"

#include "app/support/Localizable.h"
#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<LoginLogoutEntry> registrarOfLoginLogoutEntry(LoginLogoutEntry::kClassName,
                                                                     {BaseEntry::kClassName});

std::optional<platform::Number> decodeNumber(platform::KeyedUnarchiver& coder, const char* key) {
    platform::Value value = coder.decodeObjectForKey(key);
    if (auto number = value.number()) return *number;
    if (!value.isNull())
        platform::logf("LoginLogoutEntry: the stored \"%s\" is %s, not a number; it is left empty", key,
                       value.description().c_str());
    return std::nullopt;
}

platform::Value valueOf(const std::optional<platform::Number>& number) {
    return number ? platform::Value(*number) : platform::Value();
}
}  // namespace

std::shared_ptr<LoginLogoutEntry> LoginLogoutEntry::initWithEvent_date_reason(uint32_t event,
                                                                              platform::Date date,
                                                                              uint32_t reason) {
    auto entry = init();
    entry->event_ = platform::Number(static_cast<unsigned long long>(event));
    entry->date_ = date;
    entry->responsible_ = platform::Number(static_cast<unsigned long long>(reason));
    return entry;
}

void LoginLogoutEntry::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject_forKey(valueOf(event_), "event");
    coder.encodeObject_forKey(date_ ? platform::Value(*date_) : platform::Value(), "date");
    coder.encodeObject_forKey(valueOf(responsible_), "responsible");
    coder.encodeObject_forKey(imagePath_ ? platform::Value(*imagePath_) : platform::Value(), "imagePath");
}

bool LoginLogoutEntry::initWithCoder(platform::KeyedUnarchiver& coder) {
    event_ = decodeNumber(coder, "event");
    decodeBaseFields(coder, "date", "imagePath");
    responsible_ = decodeNumber(coder, "responsible");
    return true;
}

uint32_t LoginLogoutEntry::eventCode() const {
    return event_ ? event_->unsignedIntValue() : 0;
}

uint32_t LoginLogoutEntry::responsibleCode() const {
    return responsible_ ? responsible_->unsignedIntValue() : 0;
}

bool LoginLogoutEntry::isSessionStartingEntry() const {
    uint32_t event = eventCode();
    return event == kEventStarted || event == kEventUnlocked || event == kEventQuit;
}

bool LoginLogoutEntry::isSessionEndingEntry() const {
    return eventCode() == kEventLocked;
}

std::string LoginLogoutEntry::descriptionForTrackEvent() const {
    switch (eventCode()) {
        case kEventStarted:
            return localizable("kestrune_started");
        case kEventUnlocked:
            return localizable("mac_unlocked");
        case kEventLocked:
            return localizable("mac_locked");
        case kEventQuit:
            return localizable("quit_kestrune");
        case kEventPhotoTaken:
            return localizable("iphone_photo_snaped");
        default:
            return "";
    }
}

std::string LoginLogoutEntry::unlockDescription() const {
    switch (responsibleCode()) {
        case 6:
            return localizable("unlocked_by_wifi_unlock");
        case 3:
            return localizable("unlocked_by_kestrune_automatic");
        case 1:
            return localizable("unlock_by_typing_password");
        default:
            return localizable("unlocked_by_kestrune");
    }
}

std::string LoginLogoutEntry::unlockIconImageName() const {
    switch (responsibleCode()) {
        case 6:
            return "unlocked_with_wifi_icon";
        case 3:
            return "unlocked_with_kestrune_automatic_icon";
        case 1:
            return "unlocked_with_password_icon";
        default:
            return "unlocked_with_kestrune_icon";
    }
}

}  // namespace kestrune
