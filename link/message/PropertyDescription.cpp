#include "link/message/PropertyDescription.h"

#include "platform/base/Strings.h"

namespace kestrune {

int PropertyDescription::compare(const PropertyDescription& other) const {
    return platform::caseInsensitiveCompare(propertyName, other.propertyName);
}

}  // namespace kestrune
