#include "engine/deciders/RssiToDistance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/support/Localizable.h"

namespace kestrune {

namespace {

struct Level {
    double rssi;
    double meters;
};
constexpr Level kLevels[8] = {{30, 0.1}, {60, 1.0}, {70, 2.0},  {75, 3.0},
                              {80, 4.0}, {85, 5.0}, {90, 10.0}, {100, 15.0}};

std::string format(const char* pattern, auto... values) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

}  // namespace

double RssiToDistance::rssiForLevel(int32_t level) {
    return level >= 1 && level <= 8 ? kLevels[level - 1].rssi : 100.0;
}

double RssiToDistance::metersForSensitivityLevel(int32_t level) {
    return level >= 1 && level <= 8 ? kLevels[level - 1].meters : 15.0;
}

double RssiToDistance::calculateMetersFromRSSI(const platform::Number& rssi) {
    const int32_t r = rssi.intValue();
    if (rssiForLevel(1) > r) return metersForSensitivityLevel(1);
    int32_t k = 8;
    for (int32_t level = 2; level <= 7; ++level) {
        if (rssiForLevel(level) > r) {
            k = level;
            break;
        }
    }
    const double r0 = rssiForLevel(k - 1), r1 = rssiForLevel(k);
    const double m0 = metersForSensitivityLevel(k - 1), m1 = metersForSensitivityLevel(k);
    return m0 + (r - r0) * (m1 - m0) / (r1 - r0);
}

double RssiToDistance::getFeetFromMeters(double meters) {
    return meters * 3.281;
}

double RssiToDistance::getSignalStrengthFromMeters_withMinMeterValue_andMaxValue(double meters, double min,
                                                                                 double max) {
    const double percent = 100.0 - (meters - min) / ((max - min) / 100.0);
    if (std::isnan(percent)) return 0.0;
    return std::clamp(percent, 0.0, 100.0);
}

double RssiToDistance::getMetric_fromRSSI(int32_t metric, const platform::Number& rssi) {
    const double meters = calculateMetersFromRSSI(rssi);
    switch (metric) {
        case 2:
            return getFeetFromMeters(meters);
        case 3:
            return getSignalStrengthFromMeters_withMinMeterValue_andMaxValue(meters, 0.1, 7.0);
        default:
            return meters;
    }
}

std::string RssiToDistance::getStringForMetric_fromRSSI(int32_t metric, const platform::Number& rssi) {
    const double v = getMetric_fromRSSI(metric, rssi);
    switch (metric) {
        case 1:
            return format("%.1fm", v);
        case 2: {
            const int feet = static_cast<int>(v);
            const float inches = feet == 0
                                     ? static_cast<float>(v * 12.0)
                                     : std::fmod(static_cast<float>(v), static_cast<float>(feet)) * 12.0f;
            return format("%d'%d''", feet, static_cast<int>(inches));
        }
        case 3:
            return format("%d%%", static_cast<int>(v));
        default:
            return "";
    }
}

std::string RssiToDistance::stringFromMetric(int32_t metric) {
    switch (metric) {
        case 1:
            return localizable("meters");
        case 2:
            return localizable("feet");
        case 3:
            return localizable("signal_strength");
        default:
            return "";
    }
}

double RssiToDistance::calculateMetersForTxPower_RSSI(int32_t txPower, double rssi) {
    if (rssi == 0 || txPower == 0) return -1.0;
    const double ratio = rssi / txPower;
    if (ratio < 1.0) return std::pow(ratio, 10);
    return 0.89976 * std::pow(ratio, 7.7095) + 0.111;
}

}  // namespace kestrune
