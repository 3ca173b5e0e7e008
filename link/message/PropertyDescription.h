#pragma once

#include <string>

namespace kestrune {

// One field of a payload record while it is coded: its name and its kind ("NSString", "NSNumber",
// "PrimitiveType" or the nested record type's class name).
class PropertyDescription {
public:
    PropertyDescription() = default;
    PropertyDescription(std::string name, std::string type)
        : propertyName(std::move(name)), propertyType(std::move(type)) {}

    // -1, 0 or 1 as the names compare with letters folded to one case; a name that is a prefix of
    // another comes first. Records are coded in ascending order of this comparison.
    int compare(const PropertyDescription& other) const;

    std::string propertyName;
    std::string propertyType;
};

}  // namespace kestrune
