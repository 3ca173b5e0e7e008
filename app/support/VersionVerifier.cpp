#include "app/support/VersionVerifier.h"

#include <string>

#include "platform/base/Strings.h"

namespace kestrune {

namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// -1, 0 or 1. Digit runs are compared as numbers without converting them, so the very long runs a
// peer may send can neither overflow nor be cut short.
int compareNumerically(std::string_view left, std::string_view right) {
    const std::u16string a = platform::toUTF16(left);
    const std::u16string b = platform::toUTF16(right);
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t endA = i, endB = j;
            while (endA < a.size() && isDigit(a[endA])) ++endA;
            while (endB < b.size() && isDigit(b[endB])) ++endB;
            size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == u'0') ++startA;
            while (startB + 1 < endB && b[startB] == u'0') ++startB;
            size_t lengthA = endA - startA, lengthB = endB - startB;
            if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
            int order = a.compare(startA, lengthA, b, startB, lengthB);
            if (order != 0) return order < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

bool VersionVerifier::version_isNewerThenVersion(std::string_view version, std::string_view other) {
    return compareNumerically(version, other) > 0;
}

bool VersionVerifier::version_isSameAsVersion(std::string_view version, std::string_view other) {
    return compareNumerically(version, other) == 0;
}

bool VersionVerifier::version_isNewerOrSameThenVersion(std::string_view version, std::string_view other) {
    return compareNumerically(version, other) >= 0;
}

}  // namespace kestrune
