#include "platform/bluetooth/BluetoothUUID.h"

#include <gtest/gtest.h>

using platform::BluetoothUUID;

TEST(BluetoothUUIDTest, ReadsTheThreeLengthsInEitherCaseAndWritesThemUpperCase) {
    auto shortForm = BluetoothUUID::fromString("da17");
    ASSERT_TRUE(shortForm);
    EXPECT_EQ(shortForm->data().hexString().size(), 4u);
    EXPECT_EQ(shortForm->UUIDString(), "DA17");
    EXPECT_EQ(BluetoothUUID::fromString("0000DA17")->UUIDString(), "0000DA17");
    auto full = BluetoothUUID::fromString("6e400001-b5a3-f393-e0a9-e50e24dcca9e");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->data().size(), 16u);
    EXPECT_EQ(full->UUIDString(), "6E400001-B5A3-F393-E0A9-E50E24DCCA9E");
    EXPECT_EQ(*BluetoothUUID::fromString("DA17"), *shortForm);
    EXPECT_FALSE(*BluetoothUUID::fromString("DA16") == *shortForm);
}

TEST(BluetoothUUIDTest, RefusesTextsThatAreNoIdentifier) {
    for (const char* text : {"", "DA1", "DA177", "DX17", "6e400001b5a3-f393-e0a9-e50e24dcca9e-",
                             "6e400001-b5a3-f393-e0a9e50e24dcca9e0", "6e40000--b5a3-f393-e0a9-e50e24dcca9e"})
        EXPECT_FALSE(BluetoothUUID::fromString(text)) << text;
    EXPECT_TRUE(BluetoothUUID::constant("nope").data().empty());
}
