#pragma once

#include <string>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/TextAttributes.h"

namespace platform::ui {

// Text with attributes over ranges. Indexes and ranges count UTF-16 units, as the platform's strings
// do; the text itself is kept as UTF-8.
class AttributedString {
public:
    AttributedString() = default;
    explicit AttributedString(std::string text, TextAttributes attributes = {});

    const std::string& string() const { return text_; }
    size_t length() const { return units_.size(); }

    // The attributes at a UTF-16 index and the range over which they hold; none past the end.
    TextAttributes attributesAtIndex_effectiveRange(size_t index, Range* effective = nullptr) const;
    void setAttributes_range(const TextAttributes& attributes, Range range);
    void addAttributes_range(const TextAttributes& attributes, Range range);
    void replaceCharactersInRange_withString(Range range, const std::string& text);
    void appendAttributedString(const AttributedString& other);
    AttributedString attributedSubstringFromRange(Range range) const;

    // One run per stretch of equal attributes, in order.
    struct Run {
        Range range;
        std::string text;
        TextAttributes attributes;
    };
    std::vector<Run> runs() const;

    // Measured by the installed text measurer; width 0 means no wrapping.
    Size size() const;
    Rect boundingRectWithSize(Size size) const;
    // Draws into the current graphics context.
    void drawInRect(Rect rect) const;
    void drawAtPoint(Point point) const;

    bool operator==(const AttributedString&) const = default;

private:
    Range clamped(Range r) const;
    std::string text_;
    std::u16string units_;
    // One attribute set per UTF-16 unit keeps edits simple; strings here are short labels.
    std::vector<TextAttributes> attributes_;
};

}  // namespace platform::ui
