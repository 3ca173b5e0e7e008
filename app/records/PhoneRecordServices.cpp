#include "app/records/PhoneRecordServices.h"
#include "platform/base/BackendSlot.h"

namespace kestrune {

namespace {

class DefaultPhoneRecordServices : public PhoneRecordServices {
public:
    std::string getStringForMetric_fromRSSI(int32_t, const std::optional<platform::Number>&) override {
        return "";
    }
    bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() override { return false; }
    std::string languageToBeUsedFromSupportedLanguages() override { return "en"; }
};

}  // namespace

std::shared_ptr<PhoneRecordServices> PhoneRecordServices::current() {
    return platform::backendSlot<PhoneRecordServices>().getOr<DefaultPhoneRecordServices>();
}

void PhoneRecordServices::install(std::shared_ptr<PhoneRecordServices> services) {
    platform::backendSlot<PhoneRecordServices>().set(std::move(services));
}

}  // namespace kestrune
