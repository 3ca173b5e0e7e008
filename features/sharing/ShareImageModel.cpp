#include "features/sharing/ShareImageModel.h"

namespace kestrune {

const std::vector<std::string>& ShareImageModel::imageWritableTypes() {
    static const std::vector<std::string> types{"public.tiff", "public.png"};
    return types;
}

std::vector<std::string> ShareImageModel::writableTypesForPasteboard() const {
    std::vector<std::string> types;
    if (image_) types = imageWritableTypes();
    types.emplace_back(kPromisedFileContentType);
    return types;
}

std::optional<platform::Value> ShareImageModel::pasteboardPropertyListForType(const std::string&) const {
    return std::nullopt;
}

}  // namespace kestrune
