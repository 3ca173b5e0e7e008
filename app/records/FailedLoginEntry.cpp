#include "app/records/FailedLoginEntry.h"

#include "platform/storage/ClassRegistry.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<FailedLoginEntry> registrarOfFailedLoginEntry(FailedLoginEntry::kClassName,
                                                                     {BaseEntry::kClassName});
}

void FailedLoginEntry::encodeWithCoder(platform::KeyedArchiver& coder) const {
    encodeBaseFields(coder, "failedLoginDate", "failedLoginImagePath");
}

bool FailedLoginEntry::initWithCoder(platform::KeyedUnarchiver& coder) {
    decodeBaseFields(coder, "failedLoginDate", "failedLoginImagePath");
    return true;
}

}  // namespace kestrune
