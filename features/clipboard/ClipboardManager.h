#pragma once

#include <functional>
#include <string>

namespace kestrune {

// The gate before the Mac's clipboard goes to the phone: every send reads the clipboard afresh, off the
// main thread, and vets it on the main thread.
class ClipboardManager {
public:
    using Completion = std::function<void(const std::string& text)>;

    // Calls the completion, on the main thread, with the clipboard's text when every check passes, in this
    // order: there is text that is not blank (white space and line breaks only), it is no longer than the
    // limit in UTF-16 units, the tracked phone is connected, and its application can take the clipboard.
    // A refusal is told to the user as its notification (with the error sound) and nothing is sent.
    static void filterClipboardWithCompletion(Completion completion);

    // Blank: nothing but Unicode white space and line breaks (the empty text included).
    static bool isBlank(const std::string& text);
};

}  // namespace kestrune
