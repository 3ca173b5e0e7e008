#pragma once

#include "app/shell/ThreadHelpers.h"
#include "uikit/pagers/BasePagerViewController.h"

namespace kestrune {

// The two Bluetooth operations every pager offers, each behind a loading page: restart Bluetooth and
// switch it off. The pager is held weakly throughout: a pager closed meanwhile ends the road quietly
// (the Bluetooth operation itself still completes). When Bluetooth does not report back within 20 s the
// caller's completion does not run: the page shown before the loading page returns, or, for a caller
// that gives its own way out, that closure runs instead.
namespace pagerbluetooth {
constexpr double kRestartedPause = 4.0;
constexpr double kSwitchOffDelay = 1.2;
constexpr double kSwitchedOffPause = 0.5;
constexpr double kGiveUpAfter = 20.0;
}  // namespace pagerbluetooth

// Nothing while a restart is running (the completion is dropped).
void restartBluetoothWithCompletion(BasePagerViewController& pager, Block completion);
void turnOffBluetoothwithCompletion(BasePagerViewController& pager, Block completion,
                                    Block givenUp = nullptr);

}  // namespace kestrune
