#include "platform/base/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/base/Strings.h"

using platform::Number;
using platform::Value;

TEST(NumberTest, TextFormsAsTheLinkWritesThem) {
    EXPECT_EQ(Number(60).stringValue(), "60");
    EXPECT_EQ(Number(-56).stringValue(), "-56");
    EXPECT_EQ(Number(60.0).stringValue(), "60");
    EXPECT_EQ(Number(0.5).stringValue(), "0.5");
    EXPECT_EQ(Number(-56.5).stringValue(), "-56.5");
    EXPECT_EQ(Number(true).stringValue(), "1");
    EXPECT_EQ(Number(false).stringValue(), "0");
    EXPECT_EQ(Number(0.1).stringValue(), "0.1");
    EXPECT_EQ(Number(18446744073709551615ull).stringValue(), "18446744073709551615");
    // Whole reals are written in full at any size, never with an exponent.
    const std::pair<double, const char*> whole[] = {
        {999999999999999.0, "999999999999999"}, {1e15, "1000000000000000"},
        {-1e15, "-1000000000000000"},           {123456789012345678.0, "123456789012345680"},
        {1e20, "100000000000000000000"},
    };
    for (const auto& [value, text] : whole) EXPECT_EQ(Number(value).stringValue(), text) << text;
    EXPECT_EQ(Number(1.7976931348623157e308).stringValue().size(), 309u);
}

TEST(NumberTest, ConversionsWrapIntegersAndSaturateReals) {
    EXPECT_EQ(Number(4294967295u).intValue(), -1);  // a code stored unsigned reads back signed
    EXPECT_EQ(Number(-1).unsignedIntValue(), 4294967295u);
    EXPECT_EQ(Number(1e300).intValue(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Number(-1e300).longLongValue(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(Number(std::nan("")).intValue(), 0);
    EXPECT_EQ(Number(-56.7).intValue(), -56);
    EXPECT_TRUE(Number(0.25).boolValue());
    EXPECT_FALSE(Number(0).boolValue());
}

TEST(NumberTest, ParsesDecimalTextOnly) {
    EXPECT_EQ(Number::parse("42")->intValue(), 42);
    EXPECT_EQ(Number::parse(" -7 ")->intValue(), -7);
    EXPECT_TRUE(Number::parse("+3")->isIntegral());
    EXPECT_DOUBLE_EQ(Number::parse("0.5")->doubleValue(), 0.5);
    EXPECT_TRUE(Number::parse("99999999999999999999999")->isReal());  // too long for 64 bits: no wrap
    EXPECT_FALSE(Number::parse(""));
    EXPECT_FALSE(Number::parse("12abc"));
    EXPECT_FALSE(Number::parse("nan"));
    EXPECT_FALSE(Number::parse("inf"));
    EXPECT_FALSE(Number::parse("++1"));
}

TEST(NumberTest, ComparesAcrossKinds) {
    EXPECT_EQ(Number(1), Number(true));
    EXPECT_EQ(Number(60), Number(60.0));
    EXPECT_TRUE(Number(-1).compare(Number(18446744073709551615ull)) < 0);
}

TEST(ValueTest, TypedViewsAndLookup) {
    Value dict = Value::Dictionary{{"name", "phone"}, {"rssi", -56}, {"list", Value::Array{1, "two"}}};
    EXPECT_EQ(*dict["name"].string(), "phone");
    EXPECT_EQ(dict["rssi"].number()->intValue(), -56);
    EXPECT_EQ(dict["list"].array()->size(), 2u);
    EXPECT_TRUE(dict["missing"].isNull());
    EXPECT_EQ(dict["name"].number(), nullptr);
    EXPECT_TRUE(Value("x")["anything"].isNull());
    EXPECT_EQ(Value(Value::Array{1, 2}), Value(Value::Array{1, 2}));
    EXPECT_NE(Value("1"), Value(1));
}

TEST(StringsTest, CountsAndCutsUTF16Units) {
    EXPECT_EQ(platform::utf16Length("abc"), 3u);
    EXPECT_EQ(platform::utf16Length("\xCB\xBD"), 1u);               // U+02FD
    EXPECT_EQ(platform::utf16Length("\xF0\x9F\x98\x80"), 2u);       // an emoji is a surrogate pair
    EXPECT_EQ(platform::prefixUTF16("a\xF0\x9F\x98\x80", 2), "a");  // never half a pair
    EXPECT_EQ(platform::fromUTF16(platform::toUTF16("h\xC3\xA9llo")), "h\xC3\xA9llo");
    EXPECT_FALSE(platform::isValidUTF8("\xC3"));
    EXPECT_EQ(platform::toUTF16("\xC3"), std::u16string(1, u'\xFFFD'));
}

TEST(StringsTest, SplitJoinCompare) {
    EXPECT_EQ(platform::split("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(platform::split("", ","), (std::vector<std::string>{""}));
    EXPECT_EQ(platform::join({"a", "b"}, "--"), "a--b");
    EXPECT_EQ(platform::caseInsensitiveCompare("abc", "ABD"), -1);
    EXPECT_EQ(platform::caseInsensitiveCompare("ab", "abc"), -1);
    EXPECT_EQ(platform::caseInsensitiveCompare("Name", "name"), 0);
    EXPECT_EQ(platform::format("%s-%03d", "x", 7), "x-007");
}
