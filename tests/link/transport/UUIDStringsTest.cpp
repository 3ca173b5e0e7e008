#include "link/transport/UUIDStrings.h"

#include <gtest/gtest.h>

using namespace kestrune;

TEST(UUIDStringsTest, RepresentativeStringIsLowerCaseWithDashesInTheFullForm) {
    auto full = identifierBytesFromString("E20A39F4-73F5-4BC4-A12F-17D1AD07A961");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->size(), 16u);
    const std::string text = representativeString(*full);
    EXPECT_EQ(text, "e20a39f4-73f5-4bc4-a12f-17d1ad07a961");
    ASSERT_EQ(text.size(), 36u);
    for (size_t position : {9, 14, 19, 24}) EXPECT_EQ(text[position - 1], '-') << position;
    EXPECT_EQ(customUUIDString(*full), "E20A39F4-73F5-4BC4-A12F-17D1AD07A961");

    auto shortId = identifierBytesFromString("b4fa");
    ASSERT_TRUE(shortId);
    EXPECT_EQ(*shortId, platform::Data(std::vector<uint8_t>{0xb4, 0xfa}));
    EXPECT_EQ(representativeString(*shortId), "b4fa");
    EXPECT_EQ(customUUIDString(*shortId), "B4FA");
    // A 32-bit identifier ends without a dash.
    EXPECT_EQ(representativeString(*identifierBytesFromString("0000180A")), "0000180a");
    EXPECT_EQ(representativeString(platform::Data()), "");
}
