#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kestrune {

// Small text-file and text-layout helpers of the tracker file. Widths count UTF-16 units, as the
// platform's strings do.
class TextFileManagement {
public:
    // The whole file as UTF-8 text; none when it cannot be read or is not UTF-8.
    static std::optional<std::string> stringContentOfFileAtPath(const std::string& path);
    // The longest last line read back. A tracker line is well under 200 bytes; a longer last line was not
    // written by the tracker (a damaged file, or one grown by hand).
    static constexpr size_t kLongestLastLine = 64 * 1024;
    // The text after the file's last line feed ("" when it ends with one). None when the file cannot be
    // read, is reached through a link, or its last line is longer than the limit (with a log line): only
    // the file's tail, up to the limit, is read.
    static std::optional<std::string> lastLineOfFile(const std::string& path,
                                                     size_t longestLine = kLongestLastLine);
    // That many blanks; "" for 0 or less.
    static std::string stringWithSpaces(long count);
    // Blanks appended up to the length; nothing when the text is already that long (never cut).
    static std::string appendEmptyStringToString_toCharacterIndex(const std::string& text, long length);
    // "%02ldh :%02ldm :%02lds" of the whole seconds; hours keep all their digits.
    static std::string stringFromTimeInterval(double seconds);
};

}  // namespace kestrune
