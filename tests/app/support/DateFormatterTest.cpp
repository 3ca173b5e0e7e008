#include "app/support/DateFormatter.h"

#include <gtest/gtest.h>

#include "app/support/CachedFormatters.h"
#include "app/support/NSDateFormatterHelper.h"
#include "platform/base/Clock.h"
#include "tests/app/LocalTimeZone.h"

using namespace kestrune;
using platform::Date;

namespace {

Date at(double seconds) {
    return Date::dateWithTimeIntervalSince1970(seconds);
}

constexpr double kMonday30Dec = 1735550120;  // Mon 2024-12-30 10:15:20 Berlin
constexpr double kAfter2038 = 2223367200;    // 2040-06-15 12:00 Berlin

class DateFormatterTest : public testsupport::LocalTimeZoneTest {
protected:
    void TearDown() override {
        DateFormatter::setLocalizedTexts(DateFormatter::englishTexts());
        LocalTimeZoneTest::TearDown();
    }
};

}  // namespace

TEST_F(DateFormatterTest, DayKeysUseTheCalendarYearAtNewYear) {
    EXPECT_EQ(dictionaryDateFormatter().stringFromDate(at(kMonday30Dec)), "2024 12 30");
    EXPECT_EQ(dictionaryDateFormatter().stringFromDate(at(1735684200)), "2024 12 31");  // 23:30
    EXPECT_EQ(dictionaryDateFormatter().stringFromDate(at(1735687800)), "2025 01 01");  // 00:30
    EXPECT_EQ(dictionaryYearFormatter().stringFromDate(at(kMonday30Dec)), "2024");
    EXPECT_EQ(dictionaryMonthFormatter().stringFromDate(at(kMonday30Dec)), "12");
    EXPECT_EQ(dictionaryDayFormatter().stringFromDate(at(1735687800)), "01");
    // Asked for explicitly, the week year is the year the week belongs to.
    EXPECT_EQ(dateFormatterForDateFormat("YYYY-MM-dd").stringFromDate(at(kMonday30Dec)), "2025-12-30");
    EXPECT_EQ(dateFormatterForDateFormat("YYYY-MM-dd").stringFromDate(at(kMonday30Dec - 2 * 86400)),
              "2024-12-28");
    EXPECT_EQ(dateFormatterForDateFormat("yy").stringFromDate(at(1735687800)), "25");
}

TEST_F(DateFormatterTest, FormatterPerPatternIsSharedAndQuotesAreLiteral) {
    const DateFormatter& first = dateFormatterForDateFormat("'Day' d 'o''clock' H");
    EXPECT_EQ(&first, &dateFormatterForDateFormat("'Day' d 'o''clock' H"));
    EXPECT_NE(&first, &dateFormatterForDateFormat("d"));
    EXPECT_EQ(first.stringFromDate(at(kMonday30Dec)), "Day 30 o'clock 10");
    EXPECT_EQ(dateFormatterForDateFormat("d.M.y, h:mm:ss a").stringFromDate(at(kAfter2038 + 3 * 60 + 4)),
              "15.6.2040, 12:03:04 PM");
}

TEST_F(DateFormatterTest, MonthNamesAndShortTimeComeFromTheInterfaceLanguage) {
    EXPECT_EQ(fullMonthNameYearFormatter().stringFromDate(at(kMonday30Dec)), "December 30, 2024");
    EXPECT_EQ(fullMonthNameFormatter().stringFromDate(at(kMonday30Dec)), "December 30");
    EXPECT_EQ(eventDateFormatter().stringFromDate(at(kMonday30Dec)), "10:15");
    EXPECT_EQ(localDateFormatter().stringFromDate(at(kMonday30Dec)), "");

    DateFormatter::LocalizedTexts german = DateFormatter::englishTexts();
    german.monthNames[11] = "Dezember";
    german.shortTimeFormat = "h:mm a";
    german.pmSymbol = "nachm.";
    DateFormatter::setLocalizedTexts(german);
    EXPECT_EQ(fullMonthNameYearFormatter().stringFromDate(at(kMonday30Dec)), "Dezember 30, 2024");
    EXPECT_EQ(eventDateFormatter().stringFromDate(at(kMonday30Dec)), "10:15 AM");
    EXPECT_EQ(eventDateFormatter().stringFromDate(at(1717934820)), "2:07 nachm.");  // 14:07
}

TEST_F(DateFormatterTest, TimeStampsToTheSecondAndMinute) {
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(at(kAfter2038 + 59.9)), "2040-06-15 12:00:59");
    EXPECT_EQ(NSDateFormatterHelper::stringToMinutesFromDate(at(kAfter2038 + 59.9)), "2040-06-15 12:00");
    EXPECT_EQ(NSDateFormatterHelper::currentDateFromYearToSeconds(),
              "2027-01-15 09:00:00");  // the test clock
    // Both passes of 02:30 on the night back to winter time.
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(at(1729989000)), "2024-10-27 02:30:00");
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(at(1729992600)), "2024-10-27 02:30:00");
    useZone(kNewYork);
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(at(kAfter2038)), "2040-06-15 06:00:00");
}
