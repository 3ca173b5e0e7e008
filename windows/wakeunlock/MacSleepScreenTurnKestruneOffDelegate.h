#pragma once

#include <cstdint>

namespace kestrune {

class MacSleepScreenTurnKestruneOff;

// Hears the turn-off page: 0 open the panel, 1 proximity tracking was switched off, 2 switch trusted
// Wi-Fi unlock off.
class MacSleepScreenTurnKestruneOffDelegate {
public:
    virtual ~MacSleepScreenTurnKestruneOffDelegate() = default;
    virtual void macSleepScreenTurnKestruneOff_didSelectOption(MacSleepScreenTurnKestruneOff& page,
                                                               int32_t option) = 0;
};

}  // namespace kestrune
