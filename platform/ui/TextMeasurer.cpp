#include "platform/ui/TextMeasurer.h"

#include <algorithm>
#include <mutex>

#include "platform/base/Strings.h"

namespace platform::ui {

namespace {
std::shared_ptr<TextMeasurer>& installedMeasurer() {
    static std::shared_ptr<TextMeasurer> measurer;
    return measurer;
}

struct Unit {
    char16_t c;
    double size;
};

struct Line {
    size_t begin, end;  // unit indexes, end exclusive
};

std::vector<Line> breakLines(const std::vector<Unit>& units, double maxWidth) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start <= units.size()) {
        double width = 0;
        size_t i = start, lastSpace = SIZE_MAX;
        bool broke = false;
        for (; i < units.size(); ++i) {
            if (units[i].c == u'\n') {
                lines.push_back({start, i});
                start = i + 1;
                broke = true;
                break;
            }
            const double w = units[i].size * 0.5;
            if (maxWidth > 0 && width + w > maxWidth && i > start) {
                if (units[i].c == u' ') {
                    lines.push_back({start, i});
                    start = i + 1;
                } else if (lastSpace != SIZE_MAX) {
                    lines.push_back({start, lastSpace});
                    start = lastSpace + 1;
                } else {
                    lines.push_back({start, i});  // one word wider than the line: broken where it overflows
                    start = i;
                }
                broke = true;
                break;
            }
            if (units[i].c == u' ') lastSpace = i;
            width += w;
        }
        if (!broke) {
            lines.push_back({start, units.size()});
            break;
        }
    }
    return lines;
}

std::vector<Unit> unitsOf(const AttributedString& text) {
    std::vector<Unit> units;
    for (const auto& run : text.runs()) {
        const double size = run.attributes.effectiveFont().pointSize();
        for (char16_t c : platform::toUTF16(run.text)) units.push_back({c, size});
    }
    return units;
}
}  // namespace

const TextMeasurer& TextMeasurer::current() {
    static FixedTextMeasurer fixed;
    const auto& m = installedMeasurer();
    return m ? *m : fixed;
}

void TextMeasurer::install(std::shared_ptr<TextMeasurer> measurer) {
    installedMeasurer() = std::move(measurer);
}

std::shared_ptr<TextMeasurer> TextMeasurer::installed() {
    return installedMeasurer();
}

Rect TextMeasurer::inkRect(const AttributedString& text, double maxWidth) const {
    return {{0, 0}, measure(text, maxWidth)};
}

bool TextMeasurer::readsFromTheRight(const AttributedString&) const {
    return false;
}

Size FixedTextMeasurer::measure(const AttributedString& text, double maxWidth) const {
    const auto units = unitsOf(text);
    if (units.empty()) return {0, 0};
    Size total;
    for (const auto& line : breakLines(units, maxWidth)) {
        double width = 0, size = 0;
        for (size_t i = line.begin; i < line.end; ++i)
            width += units[i].size * 0.5, size = std::max(size, units[i].size);
        if (line.begin == line.end) size = units[std::min(line.begin, units.size() - 1)].size;
        total.width = std::max(total.width, width);
        total.height += 1.2 * size;
    }
    return total;
}

std::vector<std::string> FixedTextMeasurer::lines(const AttributedString& text, double maxWidth) const {
    const auto units = unitsOf(text);
    std::vector<std::string> out;
    if (units.empty()) return out;
    for (const auto& line : breakLines(units, maxWidth)) {
        std::u16string s;
        for (size_t i = line.begin; i < line.end; ++i) s.push_back(units[i].c);
        out.push_back(platform::fromUTF16(s));
    }
    return out;
}

}  // namespace platform::ui
