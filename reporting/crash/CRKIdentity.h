#pragma once

#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

// The crash kit's reverse-domain prefix: it begins the kit's queue labels, its data folder and the
// internal keys it records.
constexpr const char* CRKReverseDomainPrefix = RKTCrashKitReverseDomainPrefix;

// The kit's own identity, written into every report's "identity" section.
constexpr const char* CRKGeneratorName = "CrashKit Mac SDK/3.12.0";
constexpr const char* CRKBuildVersion = "136";
constexpr const char* CRKDisplayVersion = "3.12.0";

}  // namespace reporting
