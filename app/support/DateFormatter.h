#pragma once

#include <array>
#include <string>

#include "platform/base/Date.h"

namespace kestrune {

// Turns a moment into text in the system's time zone, by a fixed pattern or by a time style.
// Pattern letters understood: y (calendar year; yy its last two digits), Y (the year of the week,
// which differs from the calendar year in the last days of December), M (MM two digits, MMM short
// name, MMMM full name), d, H (0-23), h (1-12), m, s and a (AM/PM). Text in single quotes is copied
// ('' is one quote); other characters are copied as they are.
//
// Month names, the AM/PM symbols and the short time pattern belong to the interface language; until
// that service sets them (setLocalizedTexts) they are the English ones.
class DateFormatter {
public:
    enum class Style { None, Short };

    struct LocalizedTexts {
        std::array<std::string, 12> monthNames;
        std::array<std::string, 12> shortMonthNames;
        std::string shortTimeFormat;
        std::string amSymbol;
        std::string pmSymbol;
    };
    static LocalizedTexts englishTexts();
    // Replaces the texts every formatter uses from now on; returns the previous ones.
    static LocalizedTexts setLocalizedTexts(LocalizedTexts texts);
    static LocalizedTexts localizedTexts();

    DateFormatter() = default;
    explicit DateFormatter(std::string dateFormat) : dateFormat_(std::move(dateFormat)) {}

    const std::string& dateFormat() const { return dateFormat_; }
    void setDateFormat(std::string dateFormat) { dateFormat_ = std::move(dateFormat); }
    Style timeStyle() const { return timeStyle_; }
    void setTimeStyle(Style style) { timeStyle_ = style; }

    // The pattern wins over the style; a formatter with neither gives the empty text.
    std::string stringFromDate(const platform::Date& date) const;

private:
    std::string dateFormat_;
    Style timeStyle_ = Style::None;
};

}  // namespace kestrune
