#pragma once

#include <optional>
#include <string>

namespace kestrune {

// The Mac's general pasteboard, plain text only: nothing else on it is read or written.
class MacClipboardManager {
public:
    // The pasteboard's text; none when it holds no text. Bytes that are not UTF-8 (another application
    // may have written them) read as replacement characters, so that everything after sees text.
    static std::optional<std::string> copyFromClipboard();
    // Clears the pasteboard and writes the text; answers whether the pasteboard took it.
    static bool pasteToClipboard(const std::string& text);
    static bool clipboardHasString();
};

}  // namespace kestrune
