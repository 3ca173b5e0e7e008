#pragma once

#include <cstdint>
#include <string>

#include "platform/base/Number.h"

namespace kestrune {

// Turns a signal-strength magnitude into metres, feet or a percentage for display, and holds the limits
// of the lock distance. Magnitudes are |RSSI| in dBm: smaller is closer.
class RssiToDistance {
public:
    static double maxRSSIValue() { return 90.0; }
    static double minRSSIvalue() { return 60.0; }
    static double smallerDistancesValue() { return 45.0; }
    static double rssiForLevel(int32_t level);
    static double metersForSensitivityLevel(int32_t level);
    static double calculateMetersFromRSSI(const platform::Number& rssi);
    static double getFeetFromMeters(double meters);
    // Clamped to 0..100: a distance outside the range is not a negative or overfull signal.
    static double getSignalStrengthFromMeters_withMinMeterValue_andMaxValue(double meters, double min,
                                                                            double max);
    static double getMetric_fromRSSI(int32_t metric, const platform::Number& rssi);
    static std::string getStringForMetric_fromRSSI(int32_t metric, const platform::Number& rssi);
    static std::string stringFromMetric(int32_t metric);
    // -1.0 when the reading or the transmit power is 0 (no ratio can be formed).
    static double calculateMetersForTxPower_RSSI(int32_t txPower, double rssi);
};

}  // namespace kestrune
