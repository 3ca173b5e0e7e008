#include "app/support/Calendar.h"

#include <gtest/gtest.h>

#include "tests/app/LocalTimeZone.h"

using kestrune::Calendar;
using kestrune::DateComponents;
using platform::Date;

namespace {

Date at(double seconds) {
    return Date::dateWithTimeIntervalSince1970(seconds);
}

class CalendarTest : public testsupport::LocalTimeZoneTest {
protected:
    Calendar calendar;
};

}  // namespace

TEST_F(CalendarTest, ComponentsOfMomentsBeforeAndAfterTheEpochAnd2038) {
    EXPECT_EQ(calendar.components(at(0)), (DateComponents{1, 1970, 1, 1, 1, 0, 0, 5}));
    EXPECT_EQ(calendar.components(at(-3601.5)), (DateComponents{1, 1969, 12, 31, 23, 59, 58, 4}));
    EXPECT_EQ(calendar.components(at(2223367200)), (DateComponents{1, 2040, 6, 15, 12, 0, 0, 6}));
    EXPECT_EQ(calendar.components(at(253402297199)), (DateComponents{1, 9999, 12, 31, 23, 59, 59, 6}));
}

TEST_F(CalendarTest, OutOfRangeFieldsCarryOver) {
    EXPECT_EQ(calendar.dateFromComponents(2024, 1, 32).timeIntervalSince1970(), 1706742000);  // 1 Feb
    EXPECT_EQ(calendar.dateFromComponents(2023, 13, 1).timeIntervalSince1970(), 1704063600);  // 1 Jan 2024
    EXPECT_EQ(calendar.dateFromComponents(2024, 1, 0).timeIntervalSince1970(), 1703977200);   // 31 Dec 2023
    EXPECT_EQ(calendar.dateFromComponents(2023, 12, 31, 24).timeIntervalSince1970(), 1704063600);
}

TEST_F(CalendarTest, RepeatedWallTimeIsItsFirstOccurrence) {
    EXPECT_EQ(calendar.dateFromComponents(2024, 10, 27, 2, 30).timeIntervalSince1970(), 1729989000);
    // Both occurrences read back as 02:30.
    EXPECT_EQ(calendar.components(at(1729989000)).hour, 2);
    EXPECT_EQ(calendar.components(at(1729992600)).hour, 2);
    EXPECT_EQ(Calendar::secondsFromGMT(at(1729989000)), 7200);
    EXPECT_EQ(Calendar::secondsFromGMT(at(1729992600)), 3600);
}

TEST_F(CalendarTest, WestOfGreenwichTheLocalDayStartsLater) {
    useZone(kNewYork);
    // 23:30 on 2 November and 00:30 on 3 November in New York: one midnight between them.
    EXPECT_EQ(calendar.dayNumber(at(1730608200)) - calendar.dayNumber(at(1730604600)), 1);
    EXPECT_EQ(calendar.components(at(1730604600)).day, 2);
    EXPECT_EQ(calendar.dateFromComponents(2024, 11, 3, 1, 30).timeIntervalSince1970(), 1730611800);  // EDT
    EXPECT_EQ(calendar.daysFromDate_toDate(at(1730604600), at(1730604600 + 86400 + 3600)), 1);
    EXPECT_EQ(calendar.daysFromDate_toDate(at(1730604600), at(1730604600 + 86400 + 3599)), 0);
}

TEST_F(CalendarTest, DaysInMonth) {
    EXPECT_EQ(Calendar::numberOfDaysInMonth(2024, 2), 29);
    EXPECT_EQ(Calendar::numberOfDaysInMonth(2100, 2), 28);
    EXPECT_EQ(Calendar::numberOfDaysInMonth(2000, 2), 29);
    EXPECT_EQ(Calendar::numberOfDaysInMonth(2024, 4), 30);
    EXPECT_EQ(Calendar::numberOfDaysInMonth(2024, 12), 31);
}

TEST_F(CalendarTest, AbsurdInputsStayDefined) {
    const Date far = calendar.dateByAdding(Calendar::Unit::Year, INT64_MAX, at(0));
    EXPECT_GT(far.timeIntervalSince1970(), 1e15);
    const DateComponents c = calendar.components(at(1e300));
    EXPECT_GE(c.month, 1);
    EXPECT_LE(c.month, 12);
    EXPECT_EQ(calendar.components(at(std::numeric_limits<double>::quiet_NaN())), calendar.components(at(0)));
    EXPECT_LT(calendar.dateFromComponents(INT64_MIN, 1, 1).timeIntervalSince1970(), -1e15);
}
