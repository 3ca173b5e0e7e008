#include "app/support/StringAddition.h"

#include <gtest/gtest.h>

using namespace kestrune;

TEST(StringAdditionTest, EmptyStringAndNewLine) {
    EXPECT_TRUE(isEmptyString(std::nullopt));
    EXPECT_TRUE(isEmptyString(std::string()));
    EXPECT_FALSE(isEmptyString(std::string(" ")));
    EXPECT_EQ(newLine(), "%0A");
}

TEST(StringAdditionTest, NumberForStringReadsDecimalNumbersOnly) {
    ASSERT_TRUE(numberForString("42"));
    EXPECT_EQ(numberForString("42")->intValue(), 42);
    EXPECT_EQ(numberForString("-7")->intValue(), -7);
    EXPECT_DOUBLE_EQ(numberForString("2.5")->doubleValue(), 2.5);
    EXPECT_FALSE(numberForString(""));
    EXPECT_FALSE(numberForString("abc"));
    EXPECT_FALSE(numberForString("12abc"));
    EXPECT_FALSE(numberForString(" 12"));
}

TEST(StringAdditionTest, IsIntegerAcceptsOneSignedIntegerWithSpaceAround) {
    EXPECT_TRUE(isInteger(" -12 "));
    EXPECT_TRUE(isInteger("42"));
    EXPECT_TRUE(isInteger("+7"));
    EXPECT_TRUE(isInteger("\n1234\t\r\n"));    // output of a shell command
    EXPECT_TRUE(isInteger("99999999999"));     // a 32-bit scan accepts it (saturating)
    EXPECT_TRUE(isInteger("\u00A012\u3000"));  // other white space counts as well
    EXPECT_FALSE(isInteger("4.2"));
    EXPECT_FALSE(isInteger(""));
    EXPECT_FALSE(isInteger("   "));
    EXPECT_FALSE(isInteger("-"));
    EXPECT_FALSE(isInteger("- 12"));
    EXPECT_FALSE(isInteger("12 13"));
    EXPECT_FALSE(isInteger("12abc"));
    EXPECT_FALSE(isInteger("0x1F"));
}

TEST(StringAdditionTest, ContainsOnlyEmptySpacesCountsBlanksAndTabsButNotLineBreaks) {
    EXPECT_TRUE(containsOnlyEmptySpaces(""));
    EXPECT_TRUE(containsOnlyEmptySpaces(" \t  "));
    EXPECT_TRUE(containsOnlyEmptySpaces("\u00A0"));
    EXPECT_FALSE(containsOnlyEmptySpaces("\n"));
    EXPECT_FALSE(containsOnlyEmptySpaces("  x  "));
}

TEST(StringAdditionTest, RemovesBracketedNumbersOnly) {
    EXPECT_EQ(removeNumberFromStringInBrackets("Jane's MacBook Pro (2)"), "Jane's MacBook Pro ");
    EXPECT_EQ(removeNumberFromStringInBrackets("(12)Mac (3) mini(45)"), "Mac  mini");
    EXPECT_EQ(removeNumberFromStringInBrackets("Mac (two)"), "Mac (two)");
    EXPECT_EQ(removeNumberFromStringInBrackets("Mac ()"), "Mac ()");
    EXPECT_EQ(removeNumberFromStringInBrackets("Mac (2"), "Mac (2");
    EXPECT_EQ(removeNumberFromStringInBrackets("((12))"), "()");
    EXPECT_EQ(removeNumberFromStringInBrackets("Größe (7)"), "Größe ");
}

TEST(StringAdditionTest, IsPartOfOrContainsIgnoresCaseBothWays) {
    EXPECT_TRUE(isPartOfOrContains("mac", "MacBook"));
    EXPECT_TRUE(isPartOfOrContains("MacBook", "mac"));
    EXPECT_TRUE(isPartOfOrContains("pt-BR", "pt"));
    EXPECT_TRUE(isPartOfOrContains("zh-hans", "zh-Hans-CN"));
    EXPECT_TRUE(isPartOfOrContains("ÄRGER", "ärger"));
    EXPECT_FALSE(isPartOfOrContains("en-GB", "de"));
    EXPECT_FALSE(isPartOfOrContains("", "mac"));
    EXPECT_FALSE(isPartOfOrContains("mac", ""));
}

TEST(StringAdditionTest, ContainsAnySubstringIsCaseSensitive) {
    EXPECT_TRUE(stringContainsAnySubstringFromArrayOfStrings("ProductVersion: 10.9.5", {"10.8", "10.9"}));
    EXPECT_FALSE(stringContainsAnySubstringFromArrayOfStrings("MacBook", {"macbook", "iMac"}));
    EXPECT_FALSE(stringContainsAnySubstringFromArrayOfStrings("MacBook", {}));
    EXPECT_FALSE(stringContainsAnySubstringFromArrayOfStrings("MacBook", {""}));
}
