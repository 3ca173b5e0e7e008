#include "app/support/CachedFormatters.h"

#include <map>
#include <memory>
#include <mutex>

namespace kestrune {

const DateFormatter& dictionaryDateFormatter() {
    static const DateFormatter formatter("yyyy MM dd");
    return formatter;
}

const DateFormatter& dictionaryYearFormatter() {
    static const DateFormatter formatter("yyyy");
    return formatter;
}

const DateFormatter& dictionaryMonthFormatter() {
    static const DateFormatter formatter("MM");
    return formatter;
}

const DateFormatter& dictionaryDayFormatter() {
    static const DateFormatter formatter("dd");
    return formatter;
}

const DateFormatter& fullMonthNameYearFormatter() {
    static const DateFormatter formatter("MMMM dd, yyyy");
    return formatter;
}

const DateFormatter& fullMonthNameFormatter() {
    static const DateFormatter formatter("MMMM dd");
    return formatter;
}

const DateFormatter& eventDateFormatter() {
    static const DateFormatter formatter = [] {
        DateFormatter shortTime;
        shortTime.setTimeStyle(DateFormatter::Style::Short);
        return shortTime;
    }();
    return formatter;
}

const DateFormatter& localDateFormatter() {
    static const DateFormatter formatter;
    return formatter;
}

const DateFormatter& dateFormatterForDateFormat(const std::string& dateFormat) {
    // Formatters live as long as the process; the map hands out stable references.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<const DateFormatter>> formatters;
    std::lock_guard<std::mutex> lock(mutex);
    auto& slot = formatters[dateFormat];
    if (!slot) slot = std::make_unique<const DateFormatter>(dateFormat);
    return *slot;
}

}  // namespace kestrune
