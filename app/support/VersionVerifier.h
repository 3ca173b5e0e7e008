#pragma once

#include <string_view>

namespace kestrune {

// Compares version texts such as "1.6.4" the way a numeric text comparison does: runs of digits by their
// value (of any length; leading zeros do not count), every other character by its code, and a text
// that ends where the other goes on is the smaller one.
class VersionVerifier {
public:
    static bool version_isNewerThenVersion(std::string_view version, std::string_view other);
    static bool version_isSameAsVersion(std::string_view version, std::string_view other);
    static bool version_isNewerOrSameThenVersion(std::string_view version, std::string_view other);
};

}  // namespace kestrune
