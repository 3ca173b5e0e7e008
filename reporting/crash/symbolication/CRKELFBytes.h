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

// Where the addresses a function symbol without a size may be named after end: no further than the end
// of the section it lies in (the next section may hold the linkage stubs, or data). One that names no
// section of the file, or lies outside the one it names, holds only its own address. `toTop` when the
// end lies past the last address. (The next function's start bounds it too; the callers see to that.)
struct UnsizedLimit {
    uint64_t end = 0;
    bool toTop = false;
};

inline UnsizedLimit unsizedLimit(const uint8_t* base, uint64_t length, const Ehdr& header, const Sym& sym) {
    Shdr section;
    if (sym.st_shndx < SHN_LORESERVE && sym.st_shndx < header.e_shnum &&
        readAt(base, length, header.e_shoff + uint64_t(sym.st_shndx) * sizeof(Shdr), &section) &&
        sym.st_value >= section.sh_addr && sym.st_value - section.sh_addr < section.sh_size) {
        if (section.sh_size > UINT64_MAX - section.sh_addr) return {0, true};
        return {section.sh_addr + section.sh_size, false};
    }
    if (sym.st_value == UINT64_MAX) return {0, true};
    return {sym.st_value + 1, false};
}

}  // namespace elfbytes
}  // namespace reporting
