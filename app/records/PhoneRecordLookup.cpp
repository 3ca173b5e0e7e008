#include "app/records/PhoneRecordLookup.h"

#include "platform/base/BackendSlot.h"

namespace kestrune {

std::shared_ptr<PhoneRecordLookup> PhoneRecordLookup::current() {
    return platform::backendSlot<PhoneRecordLookup>().get();
}

void PhoneRecordLookup::install(std::shared_ptr<PhoneRecordLookup> lookup) {
    platform::backendSlot<PhoneRecordLookup>().set(std::move(lookup));
}

}  // namespace kestrune
