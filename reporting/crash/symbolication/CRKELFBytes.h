#pragma once

#include <elf.h>
#include <link.h>

#include <cstdint>
#include <cstring>

namespace reporting {

// What the two readers of an image file's symbol tables share: the native header types and the range
// check every header, entry and name read out of the mapped file passes first.
namespace elfbytes {

using Ehdr = ElfW(Ehdr);
using Shdr = ElfW(Shdr);
using Sym = ElfW(Sym);

#if __SIZEOF_POINTER__ == 8
constexpr unsigned char kNativeClass = ELFCLASS64;
#else
constexpr unsigned char kNativeClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kNativeData = ELFDATA2LSB;
#else
constexpr unsigned char kNativeData = ELFDATA2MSB;
#endif

// Whether a range lies wholly inside a mapping of `length` bytes, without overflowing.
inline bool inside(uint64_t length, uint64_t offset, uint64_t size) {
    return offset <= length && size <= length - offset;
}

template <typename T>
bool readAt(const uint8_t* base, uint64_t length, uint64_t offset, T* out) {
    if (!inside(length, offset, sizeof(T))) return false;
    memcpy(out, base + offset, sizeof(T));
    return true;
}

}  // namespace elfbytes
}  // namespace reporting
