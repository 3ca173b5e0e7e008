#include "engine/deciders/KestruneRadius.h"

#include <cmath>

namespace kestrune {

namespace {

// Single precision, as the record keeps its distances. A missing reading counts as 0, a missing lock
// distance as the default one.
float reading(const MobileSettings& s) {
    return std::fabs(s.distanceFromDevice() ? static_cast<float>(s.distanceFromDevice()->doubleValue())
                                            : 0.0f);
}

float lockDistance(const MobileSettings& s) {
    const auto& info = s.mobileDeviceTrackInfo();
    if (!info || !info->distanceToLogin()) return MobileDeviceTrackInfo::kDefaultDistanceToLogin;
    return static_cast<float>(info->distanceToLogin()->doubleValue());
}

}  // namespace

float loginLogoutTreshold(const MobileSettings&) {
    return 2.0f;
}

bool isInsideKestruneRadiusWithTreshold(const MobileSettings& s) {
    return reading(s) <= std::fabs(lockDistance(s) - loginLogoutTreshold(s));
}

bool isOutsideKestruneRadiusWithTreshold(const MobileSettings& s) {
    return reading(s) >= std::fabs(lockDistance(s) + loginLogoutTreshold(s));
}

bool isInsideKestruneRadius(const MobileSettings& s) {
    return reading(s) <= std::fabs(lockDistance(s));
}

bool isOutsideKestruneRadius(const MobileSettings& s) {
    return reading(s) >= std::fabs(lockDistance(s));
}

}  // namespace kestrune
