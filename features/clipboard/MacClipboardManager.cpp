#include "features/clipboard/MacClipboardManager.h"

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/system/Pasteboard.h"

namespace kestrune {

namespace {
// Invalid sequences become U+FFFD.
std::string asText(const std::string& bytes) {
    if (platform::isValidUTF8(bytes)) return bytes;
    return platform::fromUTF16(platform::toUTF16(bytes));
}
}  // namespace

std::optional<std::string> MacClipboardManager::copyFromClipboard() {
    auto bytes = platform::Pasteboard::generalPasteboard().stringForType(platform::kPasteboardTypeString);
    if (!bytes) return std::nullopt;
    if (!platform::isValidUTF8(*bytes))
        platform::logf("Clipboard: the pasteboard's text is not UTF-8; its invalid bytes read as U+FFFD");
    return asText(*bytes);
}

bool MacClipboardManager::pasteToClipboard(const std::string& text) {
    auto& pasteboard = platform::Pasteboard::generalPasteboard();
    pasteboard.declareTypes_owner({platform::kPasteboardTypeString});
    const bool written = pasteboard.setString_forType(asText(text), platform::kPasteboardTypeString);
    if (!written) platform::logf("Clipboard: the pasteboard refused %zu bytes of text", text.size());
    return written;
}

bool MacClipboardManager::clipboardHasString() {
    return copyFromClipboard().has_value();
}

}  // namespace kestrune
