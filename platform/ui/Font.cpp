#include "platform/ui/Font.h"

namespace platform::ui {

Font Font::fontWithName_size(const std::string& name, double size) {
    // Size 0 asks for the standard size, as on the platform.
    return Font(name.empty() ? kSystemFontName : name, size > 0 ? size : systemFontSize());
}
Font Font::systemFontOfSize(double size) {
    return fontWithName_size(kSystemFontName, size);
}
Font Font::boldSystemFontOfSize(double size) {
    return fontWithName_size(kBoldSystemFontName, size);
}
bool Font::isBold() const {
    return name_.find("Bold") != std::string::npos || name_.find("bold") != std::string::npos;
}

}  // namespace platform::ui
