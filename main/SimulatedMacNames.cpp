#include "main/SimulatedMacNames.h"

#include <cstdlib>

namespace kestrune {

void nameTheSimulatedMac() {
    setenv("KESTRUNE_COMPUTER_NAME", kSimulatedComputerName, 0);
    setenv("KESTRUNE_USER_NAME", kSimulatedAccountName, 0);
}

}  // namespace kestrune
