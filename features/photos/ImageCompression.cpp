#include "features/photos/ImageCompression.h"

#include "platform/ui/ImageCoding.h"

namespace kestrune {

std::shared_ptr<platform::ui::Image> imageCompressedByFactor(const platform::ui::Image& image,
                                                             double factor) {
    if (!image.bitmap()) return nullptr;
    auto jpeg = platform::ui::ImageCoding::encodeJPEG(*image.bitmap(), factor);
    if (!jpeg) return nullptr;
    auto bitmap = platform::ui::ImageCoding::decodeJPEG(*jpeg);
    if (!bitmap) return nullptr;
    return platform::ui::Image::createWithBitmap(std::move(*bitmap), image.size());
}

}  // namespace kestrune
