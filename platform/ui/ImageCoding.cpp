#include "platform/ui/ImageCoding.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "platform/base/Log.h"

namespace platform::ui {

namespace {

bool usable(const Bitmap& bitmap) {
    return bitmap.width > 0 && bitmap.height > 0 &&
           bitmap.pixels.size() == static_cast<size_t>(bitmap.width) * bitmap.height;
}

// Unpremultiplied components of a premultiplied ARGB pixel.
Bitmap::RGBA components(uint32_t pixel) {
    int a = static_cast<int>((pixel >> 24) & 0xFF);
    int r = static_cast<int>((pixel >> 16) & 0xFF), g = static_cast<int>((pixel >> 8) & 0xFF),
        b = static_cast<int>(pixel & 0xFF);
    if (a != 0 && a != 255) {
        r = std::min(255, (r * 255 + a / 2) / a);
        g = std::min(255, (g * 255 + a / 2) / a);
        b = std::min(255, (b * 255 + a / 2) / a);
    }
    return {r, g, b, a};
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    longjmp(error->jump, 1);
}

void jpegQuiet(j_common_ptr, int) {}

// Runs libjpeg work that reports a failure by longjmp back here. Nothing of this frame changes between
// setjmp and the jump, so nothing can be clobbered; the work keeps its state in its own frame.
bool runJpeg(JpegError& error, const std::function<void()>& work) {
    if (setjmp(error.jump)) return false;
    work();
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> ImageCoding::encodeJPEG(const Bitmap& bitmap, double quality) {
    if (!usable(bitmap)) return std::nullopt;
    std::vector<uint8_t> rgb(static_cast<size_t>(bitmap.width) * bitmap.height * 3);
    for (size_t i = 0; i < bitmap.pixels.size(); ++i) {
        auto c = components(bitmap.pixels[i]);
        rgb[i * 3] = static_cast<uint8_t>(c.r);
        rgb[i * 3 + 1] = static_cast<uint8_t>(c.g);
        rgb[i * 3 + 2] = static_cast<uint8_t>(c.b);
    }
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegErrorExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool done = runJpeg(error, [&] {
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(bitmap.width);
        info.image_height = static_cast<JDIMENSION>(bitmap.height);
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, static_cast<int>(std::clamp(quality, 0.0, 1.0) * 100.0 + 0.5), TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = &rgb[static_cast<size_t>(info.next_scanline) * bitmap.width * 3];
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    });
    if (!done) {
        jpeg_destroy_compress(&info);
        free(buffer);
        logf("ImageCoding: JPEG encoding failed: %s", error.message);
        return std::nullopt;
    }
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return out;
}

std::optional<Bitmap> ImageCoding::decodeJPEG(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return std::nullopt;
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegErrorExit;
    error.manager.emit_message = jpegQuiet;
    Bitmap bitmap;
    std::vector<uint8_t> row;
    const bool done = runJpeg(error, [&] {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        bitmap.width = static_cast<int>(info.output_width);
        bitmap.height = static_cast<int>(info.output_height);
        bitmap.pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.height);
        row.resize(static_cast<size_t>(bitmap.width) * 3);
        while (info.output_scanline < info.output_height) {
            const size_t y = info.output_scanline;
            JSAMPROW rows[] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
            for (int x = 0; x < bitmap.width; ++x) {
                bitmap.pixels[y * bitmap.width + x] = 0xFF000000u | (uint32_t(row[x * 3]) << 16) |
                                                      (uint32_t(row[x * 3 + 1]) << 8) |
                                                      uint32_t(row[x * 3 + 2]);
            }
        }
        jpeg_finish_decompress(&info);
    });
    jpeg_destroy_decompress(&info);
    if (!done) {
        logf("ImageCoding: not a readable JPEG image: %s", error.message);
        return std::nullopt;
    }
    return bitmap;
}

std::optional<std::vector<uint8_t>> ImageCoding::encodeBMP(const Bitmap& bitmap) {
    if (!usable(bitmap)) return std::nullopt;
    const uint32_t pixelBytes = static_cast<uint32_t>(bitmap.pixels.size() * 4);
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, 14 + 40 + pixelBytes);
    put32(out, 0);
    put32(out, 14 + 40);
    put32(out, 40);  // BITMAPINFOHEADER
    put32(out, static_cast<uint32_t>(bitmap.width));
    put32(out, static_cast<uint32_t>(-bitmap.height));  // negative: rows from the top
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // no compression
    put32(out, pixelBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (uint32_t pixel : bitmap.pixels) {
        auto c = components(pixel);
        out.insert(out.end(), {static_cast<uint8_t>(c.b), static_cast<uint8_t>(c.g),
                               static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.a)});
    }
    return out;
}

std::optional<std::vector<uint8_t>> ImageCoding::encodeTIFF(const Bitmap& bitmap) {
    if (!usable(bitmap)) return std::nullopt;
    // Little-endian baseline TIFF: header, the strip of RGBA samples, then one directory.
    const uint32_t stripBytes = static_cast<uint32_t>(bitmap.pixels.size() * 4);
    const uint32_t stripOffset = 8;
    const uint32_t bitsOffset = stripOffset + stripBytes;  // four shorts of 8 bits
    const uint32_t ifdOffset = bitsOffset + 8;
    std::vector<uint8_t> out = {'I', 'I', 42, 0};
    put32(out, ifdOffset);
    for (uint32_t pixel : bitmap.pixels) {
        auto c = components(pixel);
        out.insert(out.end(), {static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g),
                               static_cast<uint8_t>(c.b), static_cast<uint8_t>(c.a)});
    }
    for (int i = 0; i < 4; ++i) put16(out, 8);
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const Entry entries[] = {
        {256, 4, 1, static_cast<uint32_t>(bitmap.width)},   // width
        {257, 4, 1, static_cast<uint32_t>(bitmap.height)},  // height
        {258, 3, 4, bitsOffset},                            // bits per sample
        {259, 3, 1, 1},                                     // no compression
        {262, 3, 1, 2},                                     // RGB
        {273, 4, 1, stripOffset},                           // strip offset
        {277, 3, 1, 4},                                     // samples per pixel
        {278, 4, 1, static_cast<uint32_t>(bitmap.height)},  // rows per strip
        {279, 4, 1, stripBytes},                            // strip byte count
        {338, 3, 1, 2},                                     // extra sample: unassociated alpha
    };
    put16(out, static_cast<uint32_t>(std::size(entries)));
    for (const auto& e : entries) {
        put16(out, e.tag);
        put16(out, e.type);
        put32(out, e.count);
        put32(out, e.value);  // a short value sits in the low half, little-endian
    }
    put32(out, 0);
    return out;
}

std::optional<std::vector<uint8_t>> ImageCoding::encodeGIF(const Bitmap& bitmap) {
    if (!usable(bitmap) || bitmap.width > 0xFFFF || bitmap.height > 0xFFFF) return std::nullopt;
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, static_cast<uint32_t>(bitmap.width));
    put16(out, static_cast<uint32_t>(bitmap.height));
    out.insert(out.end(), {0xF7, 0, 0});  // global table of 256 entries, 8 bits
    // The 6x6x6 colour cube, padded to 256 entries.
    for (int i = 0; i < 256; ++i) {
        if (i < 216) {
            out.insert(out.end(),
                       {static_cast<uint8_t>((i / 36) * 51), static_cast<uint8_t>(((i / 6) % 6) * 51),
                        static_cast<uint8_t>((i % 6) * 51)});
        } else {
            out.insert(out.end(), {0, 0, 0});
        }
    }
    out.push_back(0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(bitmap.width));
    put16(out, static_cast<uint32_t>(bitmap.height));
    out.push_back(0);
    const int minimumCodeSize = 8;
    out.push_back(minimumCodeSize);

    // LZW with variable code width, packed least significant bit first into 255-byte sub-blocks.
    std::vector<uint8_t> packed;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    int codeSize = minimumCodeSize + 1;
    auto emit = [&](int code) {
        bitBuffer |= static_cast<uint32_t>(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            packed.push_back(static_cast<uint8_t>(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    const int clearCode = 1 << minimumCodeSize, endCode = clearCode + 1;
    std::map<std::pair<int, int>, int> dictionary;
    int nextCode = endCode + 1;
    emit(clearCode);
    int prefix = -1;
    for (uint32_t pixel : bitmap.pixels) {
        auto c = components(pixel);
        auto level = [](int v) { return (v + 25) / 51; };
        const int index = level(c.r) * 36 + level(c.g) * 6 + level(c.b);
        if (prefix < 0) {
            prefix = index;
            continue;
        }
        auto found = dictionary.find({prefix, index});
        if (found != dictionary.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        if (nextCode < 4096) {
            dictionary[{prefix, index}] = nextCode++;
            if (nextCode > (1 << codeSize) && codeSize < 12) ++codeSize;
        } else {
            emit(clearCode);
            dictionary.clear();
            nextCode = endCode + 1;
            codeSize = minimumCodeSize + 1;
        }
        prefix = index;
    }
    if (prefix >= 0) emit(prefix);
    emit(endCode);
    if (bitCount > 0) packed.push_back(static_cast<uint8_t>(bitBuffer & 0xFF));
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t length = std::min<size_t>(255, packed.size() - at);
        out.push_back(static_cast<uint8_t>(length));
        out.insert(out.end(), packed.begin() + static_cast<long>(at),
                   packed.begin() + static_cast<long>(at + length));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

}  // namespace platform::ui
