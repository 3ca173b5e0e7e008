#include "app/support/DateFormatter.h"

#include <memory>
#include <mutex>

#include "app/support/CachedCalendar.h"

namespace kestrune {

namespace {

std::mutex& textsMutex() {
    static std::mutex mutex;
    return mutex;
}

// Never destroyed: background work formats dates until the process ends.
std::shared_ptr<const DateFormatter::LocalizedTexts>& currentTexts() {
    static auto& texts = *new std::shared_ptr<const DateFormatter::LocalizedTexts>(
        std::make_shared<const DateFormatter::LocalizedTexts>(DateFormatter::englishTexts()));
    return texts;
}

std::string padded(int64_t value, size_t width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::string yearText(int64_t year, size_t count) {
    if (count == 2) {
        int64_t lastTwo = year % 100;
        return padded(lastTwo < 0 ? lastTwo + 100 : lastTwo, 2);
    }
    return padded(year, count);
}

// The year a date's week belongs to, weeks starting on Sunday and week 1 holding 1 January.
int64_t weekYear(const DateComponents& c) {
    if (c.month == 12 && c.day + (7 - c.weekday) > 31) return c.year + 1;
    return c.year;
}

std::string formatWithPattern(const std::string& pattern, const DateComponents& c,
                              const DateFormatter::LocalizedTexts& texts) {
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        char letter = pattern[i];
        if (letter == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                out.push_back('\'');
                i += 2;
                continue;
            }
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        out.push_back('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out.push_back(pattern[i++]);
            }
            continue;
        }
        size_t count = 1;
        while (i + count < pattern.size() && pattern[i + count] == letter) ++count;
        const size_t month = static_cast<size_t>(c.month - 1) % 12;
        switch (letter) {
            case 'y':
                out += yearText(c.year, count);
                break;
            case 'Y':
                out += yearText(weekYear(c), count);
                break;
            case 'M':
                if (count >= 4) {
                    out += texts.monthNames[month];
                } else if (count == 3) {
                    out += texts.shortMonthNames[month];
                } else {
                    out += padded(c.month, count);
                }
                break;
            case 'd':
                out += padded(c.day, count);
                break;
            case 'H':
                out += padded(c.hour, count);
                break;
            case 'h':
                out += padded(c.hour % 12 == 0 ? 12 : c.hour % 12, count);
                break;
            case 'm':
                out += padded(c.minute, count);
                break;
            case 's':
                out += padded(c.second, count);
                break;
            case 'a':
                out += c.hour < 12 ? texts.amSymbol : texts.pmSymbol;
                break;
            default:
                out.append(count, letter);
                break;
        }
        i += count;
    }
    return out;
}

}  // namespace

DateFormatter::LocalizedTexts DateFormatter::englishTexts() {
    return LocalizedTexts{
        {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
         "November", "December"},
        {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
        "HH:mm",
        "AM",
        "PM",
    };
}

DateFormatter::LocalizedTexts DateFormatter::setLocalizedTexts(LocalizedTexts texts) {
    auto replacement = std::make_shared<const LocalizedTexts>(std::move(texts));
    std::lock_guard<std::mutex> lock(textsMutex());
    LocalizedTexts previous = *currentTexts();
    currentTexts() = std::move(replacement);
    return previous;
}

DateFormatter::LocalizedTexts DateFormatter::localizedTexts() {
    std::lock_guard<std::mutex> lock(textsMutex());
    return *currentTexts();
}

std::string DateFormatter::stringFromDate(const platform::Date& date) const {
    std::shared_ptr<const LocalizedTexts> texts;
    {
        std::lock_guard<std::mutex> lock(textsMutex());
        texts = currentTexts();
    }
    const std::string* pattern = nullptr;
    if (!dateFormat_.empty()) {
        pattern = &dateFormat_;
    } else if (timeStyle_ == Style::Short) {
        pattern = &texts->shortTimeFormat;
    }
    if (!pattern) return std::string();
    return formatWithPattern(*pattern, currentCalendarCached().components(date), *texts);
}

}  // namespace kestrune
