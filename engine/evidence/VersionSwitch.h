#pragma once

#include "app/support/Utilities.h"
#include "app/support/VersionVerifier.h"

namespace kestrune {

// The running system is older than the version, the two compared as numeric version texts: the switch
// every behaviour that differs between system versions asks.
inline bool systemIsBelow(const char* version) {
    return VersionVerifier::version_isNewerThenVersion(version, Utilities::operatingSystemVersion());
}

}  // namespace kestrune
