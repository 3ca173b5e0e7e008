#include "platform/base/DecimalNumber.h"

#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/base/ProcessActivities.h"
#include "platform/base/ThermalState.h"
#include "platform/base/UnicodeClasses.h"
#include "tests/support/TestEnvironment.h"

using platform::DecimalNumber;

namespace {

class DecimalNumberTest : public testsupport::KestruneTest {};

TEST_F(DecimalNumberTest, TextIsReadExactlyAndWrittenBackWithoutAnExponent) {
    const std::pair<const char*, const char*> cases[] = {
        {"9.99", "9.99"}, {"-0.25", "-0.25"}, {"+12", "12"},       {"1e3", "1000"}, {"1.50", "1.5"},
        {"0.000", "0"},   {"-0", "0"},        {"12e-4", "0.0012"}, {".5", "0.5"},   {"5.", "5"},
    };
    for (const auto& [text, written] : cases) {
        auto n = DecimalNumber::fromString(text);
        ASSERT_TRUE(n) << text;
        EXPECT_EQ(n->stringValue(), written) << text;
    }
    const std::string tooManyDigits(39, '1');
    for (std::string bad :
         {std::string(""), std::string("-"), std::string("."), std::string("1e"), std::string("1x"),
          std::string("1e999999"), std::string("nan"), tooManyDigits, std::string("1e128")})
        EXPECT_FALSE(DecimalNumber::fromString(bad)) << bad;
}

TEST_F(DecimalNumberTest, ScalingAndComparingStayExact) {
    EXPECT_EQ(DecimalNumber::fromString("9.99")->multiplyingByPowerOf10(6)->stringValue(), "9990000");
    EXPECT_EQ(DecimalNumber::fromString("0.1")->multiplyingByPowerOf10(6)->stringValue(), "100000");
    EXPECT_FALSE(DecimalNumber::maximum().multiplyingByPowerOf10(1));
    const auto ceiling = *DecimalNumber::maximum().dividingByPowerOf10(6);
    const std::tuple<const char*, const char*, std::partial_ordering> cases[] = {
        {"1", "2", std::partial_ordering::less},        {"-1", "-2", std::partial_ordering::greater},
        {"10", "9.99", std::partial_ordering::greater}, {"1.10", "1.1", std::partial_ordering::equivalent},
        {"0", "-0", std::partial_ordering::equivalent}, {"-5", "0.001", std::partial_ordering::less},
    };
    for (const auto& [a, b, ordering] : cases)
        EXPECT_EQ(DecimalNumber::fromString(a)->compare(*DecimalNumber::fromString(b)), ordering)
            << a << " " << b;
    EXPECT_EQ(DecimalNumber::notANumber().compare(DecimalNumber()), std::partial_ordering::unordered);
    EXPECT_EQ(ceiling.compare(*DecimalNumber::fromString(std::string(38, '9') + "e121")),
              std::partial_ordering::equivalent);
    EXPECT_DOUBLE_EQ(DecimalNumber::fromString("9.99")->doubleValue(), 9.99);
}

TEST_F(DecimalNumberTest, UnicodeClassesFollowTheCharacterDatabase) {
    const std::tuple<char32_t, bool, bool> cases[] = {
        {U'a', true, false},       {U'Z', true, false},      {U'7', false, true},
        {U'_', false, false},      {U'\u00E9', true, false}, {U'\u0663', false, true},
        {U'\u0301', false, false},  // a mark is no letter
        {U'\u4E2D', true, false},  {U' ', false, false},     {U'\U0001D400', true, false},
    };
    for (const auto& [c, letter, digit] : cases) {
        EXPECT_EQ(platform::isUnicodeLetter(c), letter) << static_cast<uint32_t>(c);
        EXPECT_EQ(platform::isUnicodeDecimalDigit(c), digit) << static_cast<uint32_t>(c);
    }
    const std::string text = "a\xC3\xA9\xF0\x9D\x90\x80";
    EXPECT_EQ(platform::toUTF32(text), (std::u32string{U'a', U'\u00E9', U'\U0001D400'}));
    EXPECT_EQ(platform::fromUTF32(platform::toUTF32(text)), text);
}

TEST_F(DecimalNumberTest, ThermalChangesAreAnnouncedOnceAndActivitiesCounted) {
    int posted = 0;
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        platform::ThermalState::kThermalStateDidChangeNotification, nullptr,
        [&](const platform::Notification&) { ++posted; });
    platform::ThermalState::setCurrent(platform::ThermalState::Serious);
    platform::ThermalState::setCurrent(platform::ThermalState::Serious);
    EXPECT_EQ(platform::ThermalState::current(), platform::ThermalState::Serious);
    platform::ThermalState::setCurrent(platform::ThermalState::Nominal);
    EXPECT_EQ(posted, 2);

    auto& activities = platform::ProcessActivities::shared();
    activities.reset();
    const uint64_t token = activities.beginActivity(0xFF, "work");
    EXPECT_NE(token, 0u);
    EXPECT_EQ(activities.activeActivityCount(), 1u);
    EXPECT_TRUE(activities.endActivity(token));
    EXPECT_FALSE(activities.endActivity(token));
    EXPECT_EQ(activities.activeActivityCount(), 0u);
    EXPECT_EQ(activities.begunActivityCount(), 1u);
}

}  // namespace
