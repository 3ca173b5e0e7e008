#include "uikit/text/TextViewBoldSubstring.h"

#include "uikit/text/TextFieldAdditions.h"

namespace kestrune {

void setStringValue_withBoldSubstring(ui::TextView& view, const std::string& text, const std::string& part) {
    const auto range = rangeOfString(text, part);
    if (!range) return;
    ui::AttributedString storage = view.textStorage();
    if (range->max() > storage.length()) return;
    ui::TextAttributes bold;
    bold.font = ui::Font::boldSystemFontOfSize(12);
    storage.addAttributes_range(bold, *range);
    view.setTextStorage(storage);
}

}  // namespace kestrune
