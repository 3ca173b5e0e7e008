#pragma once

namespace reporting {

// The reverse-domain prefixes that begin the kit's queue labels, stored keys, folders and error
// domains: one for each of the kit's makers, its core, its crash kit and its analytics kit. The crash
// kit's must stay equal to the one the crash kit records in its reports (reporting/crash/CRKIdentity.h).
constexpr const char* RKTMakerReverseDomainPrefix = "io.reportkit";
constexpr const char* RKTCoreReverseDomainPrefix = "com.reportkit.core";
constexpr const char* RKTCrashKitReverseDomainPrefix = "com.reportkit";
constexpr const char* RKTUsageKitReverseDomainPrefix = "com.reportkit.usage";

}  // namespace reporting
