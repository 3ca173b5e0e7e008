#include "app/records/PhoneRecordServices.h"

#include <mutex>

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

std::mutex gPhoneServicesMutex;
std::shared_ptr<PhoneRecordServices> gInstalled;

}  // namespace

std::shared_ptr<PhoneRecordServices> PhoneRecordServices::current() {
    std::lock_guard lock(gPhoneServicesMutex);
    if (!gInstalled) gInstalled = std::make_shared<DefaultPhoneRecordServices>();
    return gInstalled;
}

void PhoneRecordServices::install(std::shared_ptr<PhoneRecordServices> services) {
    std::lock_guard lock(gPhoneServicesMutex);
    gInstalled = std::move(services);
}

}  // namespace kestrune
