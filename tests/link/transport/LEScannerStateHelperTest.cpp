#include "link/transport/LEScannerStateHelper.h"

#include <gtest/gtest.h>

using kestrune::LEScannerStateHelper;

TEST(LEScannerStateHelperTest, ConnectingStates) {
    std::vector<int64_t> connecting;
    for (int64_t state = -2; state <= 15; ++state) {
        if (LEScannerStateHelper::scannerStateIsConnecting(state)) connecting.push_back(state);
    }
    EXPECT_EQ(connecting, (std::vector<int64_t>{3, 4, 5, 7, 8, 10}));
}

TEST(LEScannerStateHelperTest, StateTextsNameThePeripheral) {
    const char* id = "5D3C4E0A-1B2C-4D5E-8F90-A1B2C3D4E5F6";
    const char* expected[] = {
        "STATE: Peripheral detected ",
        "STATE: Peripheral connecting ",
        "STATE: Peripheral connected ",
        "STATE: Peripheral scanning for services ",
        "STATE: Peripheral scanning for services second attempt ",
        "STATE: Peripheral scanning for characteristics ",
        "STATE: No appropriate characteristics found ",
        "STATE: Peripheral subscribing for notifications ",
        "STATE: Peripheral authentificationn ",
        "STATE: Authentificaiton Failed ",
        "STATE: Peripheral full connection ",
        "STATE: Disconnecting because of connection error ",
        "STATE: Disconnecting ",
        "STATE: Disconnecting disconnected ",
    };
    for (int64_t state = 0; state < 14; ++state) {
        EXPECT_EQ(LEScannerStateHelper::scannerStateToString_forPeripheral(state, id),
                  std::string(expected[state]) + id);
    }
    EXPECT_FALSE(LEScannerStateHelper::scannerStateToString_forPeripheral(14, id));
    EXPECT_FALSE(LEScannerStateHelper::scannerStateToString_forPeripheral(-1, id));
}
