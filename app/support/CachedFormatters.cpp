#include "app/support/CachedFormatters.h"

#include <map>
#include <memory>
#include <mutex>

namespace kestrune {

// The formatters are never destroyed: background work (the history's lists) formats dates until the
// process ends.

const DateFormatter& dictionaryDateFormatter() {
    static const auto& formatter = *new DateFormatter("yyyy MM dd");
    return formatter;
}

const DateFormatter& dictionaryYearFormatter() {
    static const auto& formatter = *new DateFormatter("yyyy");
    return formatter;
}

const DateFormatter& dictionaryMonthFormatter() {
    static const auto& formatter = *new DateFormatter("MM");
    return formatter;
}

const DateFormatter& dictionaryDayFormatter() {
    static const auto& formatter = *new DateFormatter("dd");
    return formatter;
}

const DateFormatter& fullMonthNameYearFormatter() {
    static const auto& formatter = *new DateFormatter("MMMM dd, yyyy");
    return formatter;
}

const DateFormatter& fullMonthNameFormatter() {
    static const auto& formatter = *new DateFormatter("MMMM dd");
    return formatter;
}

const DateFormatter& eventDateFormatter() {
    static const auto& formatter = *new DateFormatter([] {
        DateFormatter shortTime;
        shortTime.setTimeStyle(DateFormatter::Style::Short);
        return shortTime;
    }());
    return formatter;
}

const DateFormatter& localDateFormatter() {
    static const auto& formatter = *new DateFormatter;
    return formatter;
}

const DateFormatter& dateFormatterForDateFormat(const std::string& dateFormat) {
    // Formatters live as long as the process; the map hands out stable references.
    static std::mutex mutex;
    static auto& formatters = *new std::map<std::string, std::unique_ptr<const DateFormatter>>;
    std::lock_guard<std::mutex> lock(mutex);
    auto& slot = formatters[dateFormat];
    if (!slot) slot = std::make_unique<const DateFormatter>(dateFormat);
    return *slot;
}

}  // namespace kestrune
