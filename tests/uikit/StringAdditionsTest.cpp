// Shortening with "..", text widths, and the dictionary and list look-ups.

#include <gtest/gtest.h>

#include "platform/base/Strings.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/text/StringAdditions.h"

namespace kestrune {
namespace {

TEST(StringAdditionsTest, ShortensToTwelveUnitsWithTwoDots) {
    EXPECT_EQ(stringWithMaxLengt("abcdefghijklmnopqrst", 12), "abcdefghij..");  // 20 units
    EXPECT_EQ(stringWithMaxLengt("abcdefghijk", 12), "abcdefghij..");           // 11
    EXPECT_EQ(stringWithMaxLengt("abcdefghij", 12), "abcdefghij..");            // 10: dots all the same
    EXPECT_EQ(stringWithMaxLengt("abcdefghi", 12), "abcdefghi");                // 9: unchanged
    EXPECT_EQ(platform::utf16Length(stringWithMaxLengt("about 3 metres away", 12)), 12u);
}

TEST(StringAdditionsTest, NeverSplitsAComposedCharacterAtTheCut) {
    // Units 10 and 11 are one character: both stay before the dots.
    const std::string pair = "abcdefghi\U0001F600xyz";
    EXPECT_EQ(stringWithMaxLengt(pair, 12), "abcdefghi\U0001F600..");
    const std::string accent = "abcdefghie\u0301xyz";
    EXPECT_EQ(stringWithMaxLengt(accent, 12), "abcdefghie\u0301..");
    // A cut just before the character leaves it out whole.
    EXPECT_EQ(stringWithMaxLengt("abcdefghij\U0001F600", 12), "abcdefghij..");
}

TEST(StringAdditionsTest, MaximaBelowTwoKeepOnlyTheDots) {
    EXPECT_EQ(stringWithMaxLengt("abc", 2), "..");
    EXPECT_EQ(stringWithMaxLengt("abc", 1), "..");
    EXPECT_EQ(stringWithMaxLengt("abc", INT32_MIN), "..");
    EXPECT_EQ(stringWithMaxLengt("", 0), "..");
    EXPECT_EQ(stringWithMaxLengt("", 3), "");
    EXPECT_EQ(stringWithMaxLengt("abc", INT32_MAX), "abc");
}

class StringWidthTest : public ui::test::Fixture {};

TEST_F(StringWidthTest, WidthIsTheMeasuredTextInTheFont) {
    // The fixed measurer: half the size per unit.
    EXPECT_EQ(stringLengthForFont("HELLO", ui::Font::fontWithName_size("Helvetica Neue", 11)), 27.5);
    EXPECT_EQ(stringLengthForFont("", ui::Font::systemFontOfSize(13)), 0);
}

TEST(StringAdditionsTest, LookUpsAnswerEmptyTextAndEquality) {
    platform::Value::Dictionary entries{{"name", "Ann"}, {"count", 3}};
    const platform::Value dictionary(entries);
    EXPECT_EQ(stringObjectForKey(dictionary, "name"), platform::Value("Ann"));
    EXPECT_EQ(stringObjectForKey(dictionary, "count"), platform::Value(3));  // whatever it holds
    EXPECT_EQ(stringObjectForKey(dictionary, "missing"), platform::Value(""));
    EXPECT_EQ(stringObjectForKey(platform::Value(), "name"), platform::Value(""));

    const platform::Value::Array list{"a", 2, "c"};
    EXPECT_TRUE(containsString(list, "c"));
    EXPECT_TRUE(containsString(list, 2));
    EXPECT_FALSE(containsString(list, "2"));
    EXPECT_FALSE(containsString({}, "a"));
}

}  // namespace
}  // namespace kestrune
