#include "platform/ui/AttributedString.h"

#include <algorithm>

#include "platform/base/Strings.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurer.h"

namespace platform::ui {

void TextAttributes::merge(const TextAttributes& o) {
    if (o.font) font = o.font;
    if (o.foregroundColor) foregroundColor = o.foregroundColor;
    if (o.backgroundColor) backgroundColor = o.backgroundColor;
    if (o.paragraphStyle) paragraphStyle = o.paragraphStyle;
    if (o.shadow) shadow = o.shadow;
    if (o.kern) kern = o.kern;
    if (o.baselineOffset) baselineOffset = o.baselineOffset;
    if (o.underlineStyle) underlineStyle = o.underlineStyle;
    if (o.link) link = o.link;
}

AttributedString::AttributedString(std::string text, TextAttributes attributes)
    : text_(std::move(text)), units_(platform::toUTF16(text_)), attributes_(units_.size(), attributes) {}

Range AttributedString::clamped(Range r) const {
    const size_t start = std::min(r.location, units_.size());
    return {start, std::min(r.length, units_.size() - start)};
}

TextAttributes AttributedString::attributesAtIndex_effectiveRange(size_t index, Range* effective) const {
    if (index >= units_.size()) {
        if (effective) *effective = {index, 0};
        return {};
    }
    if (effective) {
        size_t lo = index, hi = index + 1;
        while (lo > 0 && attributes_[lo - 1] == attributes_[index]) --lo;
        while (hi < units_.size() && attributes_[hi] == attributes_[index]) ++hi;
        *effective = {lo, hi - lo};
    }
    return attributes_[index];
}

void AttributedString::setAttributes_range(const TextAttributes& a, Range range) {
    range = clamped(range);
    std::fill(attributes_.begin() + range.location, attributes_.begin() + range.max(), a);
}

void AttributedString::addAttributes_range(const TextAttributes& a, Range range) {
    range = clamped(range);
    for (size_t i = range.location; i < range.max(); ++i) attributes_[i].merge(a);
}

void AttributedString::replaceCharactersInRange_withString(Range range, const std::string& text) {
    range = clamped(range);
    const std::u16string inserted = platform::toUTF16(text);
    // Inserted text takes the attributes of the first replaced unit, else of the unit before.
    TextAttributes a;
    if (range.length > 0)
        a = attributes_[range.location];
    else if (range.location > 0)
        a = attributes_[range.location - 1];
    units_.replace(range.location, range.length, inserted);
    attributes_.erase(attributes_.begin() + range.location, attributes_.begin() + range.max());
    attributes_.insert(attributes_.begin() + range.location, inserted.size(), a);
    text_ = platform::fromUTF16(units_);
}

void AttributedString::appendAttributedString(const AttributedString& other) {
    units_ += other.units_;
    attributes_.insert(attributes_.end(), other.attributes_.begin(), other.attributes_.end());
    text_ = platform::fromUTF16(units_);
}

AttributedString AttributedString::attributedSubstringFromRange(Range range) const {
    range = clamped(range);
    AttributedString s;
    s.units_ = units_.substr(range.location, range.length);
    s.attributes_.assign(attributes_.begin() + range.location, attributes_.begin() + range.max());
    s.text_ = platform::fromUTF16(s.units_);
    return s;
}

std::vector<AttributedString::Run> AttributedString::runs() const {
    std::vector<Run> out;
    size_t i = 0;
    while (i < units_.size()) {
        Range r;
        TextAttributes a = attributesAtIndex_effectiveRange(i, &r);
        r = {i, r.max() - i};
        out.push_back({r, platform::fromUTF16(units_.substr(r.location, r.length)), a});
        i = r.max();
    }
    return out;
}

Size AttributedString::size() const {
    return TextMeasurer::current().measure(*this, 0);
}

Rect AttributedString::boundingRectWithSize(Size size) const {
    return {{0, 0}, TextMeasurer::current().measure(*this, size.width)};
}

void AttributedString::drawInRect(Rect rect) const {
    if (auto* context = GraphicsContext::current()) context->drawText(*this, rect);
}

void AttributedString::drawAtPoint(Point point) const {
    drawInRect({point, size()});
}

}  // namespace platform::ui
