#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ui/Image.h"

namespace platform::ui {

// Encoders and the JPEG decoder for bitmaps besides PNG (which the renderer codes). JPEG goes through
// libjpeg-turbo; BMP (32-bit), baseline TIFF (uncompressed RGBA) and GIF (a fixed 216-colour palette) are
// small writers of our own. Alpha is dropped by JPEG and GIF, kept by BMP and TIFF.
class ImageCoding {
public:
    // Quality 0.0 to 1.0 (the compression factor).
    static std::optional<std::vector<uint8_t>> encodeJPEG(const Bitmap& bitmap, double quality);
    static std::optional<Bitmap> decodeJPEG(const std::vector<uint8_t>& bytes);
    static std::optional<std::vector<uint8_t>> encodeBMP(const Bitmap& bitmap);
    static std::optional<std::vector<uint8_t>> encodeTIFF(const Bitmap& bitmap);
    static std::optional<std::vector<uint8_t>> encodeGIF(const Bitmap& bitmap);
};

}  // namespace platform::ui
