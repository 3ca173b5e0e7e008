#pragma once

#include <string>

namespace platform::ui {

// A font by family name and point size. A font is always answered, never none: a name this system
// does not have is kept as asked, and the renderer's font matching substitutes a near one.
class Font {
public:
    static constexpr const char* kSystemFontName = "DejaVu Sans";
    static constexpr const char* kBoldSystemFontName = "DejaVu Sans Bold";

    static Font fontWithName_size(const std::string& name, double size);
    static Font systemFontOfSize(double size);
    static Font boldSystemFontOfSize(double size);
    static Font labelFontOfSize(double size) { return systemFontOfSize(size); }
    static double systemFontSize() { return 13; }
    static double smallSystemFontSize() { return 11; }

    const std::string& fontName() const { return name_; }
    double pointSize() const { return size_; }
    bool isBold() const;

    bool operator==(const Font&) const = default;

    Font() = default;

private:
    Font(std::string name, double size) : name_(std::move(name)), size_(size) {}
    std::string name_ = kSystemFontName;
    double size_ = 13;
};

}  // namespace platform::ui
