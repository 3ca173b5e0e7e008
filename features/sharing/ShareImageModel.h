#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "platform/ui/Image.h"

namespace kestrune {

namespace ui = platform::ui;

// A share image and its text as one item for the pasteboard: the picture's own types, then a promised
// file. It gives no property list of its own for any type.
class ShareImageModel {
public:
    static constexpr const char* kPromisedFileContentType = "com.apple.pasteboard.promised-file-content-type";
    // The types a picture is written as.
    static const std::vector<std::string>& imageWritableTypes();

    std::vector<std::string> writableTypesForPasteboard() const;
    std::optional<platform::Value> pasteboardPropertyListForType(const std::string& type) const;

    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    const std::shared_ptr<ui::Image>& image() const { return image_; }
    void setImage(std::shared_ptr<ui::Image> image) { image_ = std::move(image); }

private:
    std::string text_;
    std::shared_ptr<ui::Image> image_;
};

}  // namespace kestrune
