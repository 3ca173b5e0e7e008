#pragma once

#include "app/records/MobileSettings.h"

namespace kestrune {

// Where the phone's stored smoothed reading lies against its lock distance: inside or outside, with or
// without the band of half-width loginLogoutTreshold around it. Additions to MobileSettings.
float loginLogoutTreshold(const MobileSettings& settings);
bool isInsideKestruneRadiusWithTreshold(const MobileSettings& settings);
bool isOutsideKestruneRadiusWithTreshold(const MobileSettings& settings);
bool isInsideKestruneRadius(const MobileSettings& settings);
bool isOutsideKestruneRadius(const MobileSettings& settings);

}  // namespace kestrune
