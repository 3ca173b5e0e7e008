#include "uikit/text/StringAdditions.h"

#include <algorithm>

#include "platform/base/Strings.h"
#include "platform/base/UnicodeClasses.h"
#include "platform/ui/AttributedString.h"

namespace kestrune {

std::string stringWithMaxLengt(const std::string& text, int32_t maximum) {
    const std::u16string units = platform::toUTF16(text);
    const int64_t keep = static_cast<int64_t>(maximum) - 2;
    if (keep > static_cast<int64_t>(units.size())) return text;
    const size_t cut = keep < 0 ? 0 : static_cast<size_t>(keep);
    const auto [location, length] = platform::rangeOfComposedCharacterSequencesForRange(units, 0, cut);
    return platform::fromUTF16(std::u16string_view(units).substr(location, length)) + "..";
}

double stringLengthForFont(const std::string& text, const ui::Font& font) {
    return ui::AttributedString(text, ui::TextAttributes::withFont(font)).size().width;
}

platform::Value stringObjectForKey(const platform::Value& dictionary, const std::string& key) {
    if (const auto* entries = dictionary.dictionary()) {
        if (auto it = entries->find(key); it != entries->end()) return it->second;
    }
    return platform::Value("");
}

bool containsString(const platform::Value::Array& array, const platform::Value& object) {
    return std::find(array.begin(), array.end(), object) != array.end();
}

}  // namespace kestrune
