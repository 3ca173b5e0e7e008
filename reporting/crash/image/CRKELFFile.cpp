#include "reporting/crash/image/CRKELFFile.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKMachOFile.h"

namespace reporting {

namespace {

// Bounded reads of a file image in either byte order.
struct Reader {
    const uint8_t* bytes;
    uint64_t length;
    bool big;

    bool fits(uint64_t offset, uint64_t size) const { return offset <= length && size <= length - offset; }
    bool u16(uint64_t offset, uint16_t* out) const {
        if (!fits(offset, 2)) return false;
        const uint8_t* p = bytes + offset;
        *out = big ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
        return true;
    }
    bool u32(uint64_t offset, uint32_t* out) const {
        if (!fits(offset, 4)) return false;
        const uint8_t* p = bytes + offset;
        uint32_t v = 0;
        for (int i = 0; i < 4; i++) v |= uint32_t(p[big ? i : 3 - i]) << (8 * (3 - i));
        *out = v;
        return true;
    }
    bool u64(uint64_t offset, uint64_t* out) const {
        if (!fits(offset, 8)) return false;
        const uint8_t* p = bytes + offset;
        uint64_t v = 0;
        for (int i = 0; i < 8; i++) v |= uint64_t(p[big ? i : 7 - i]) << (8 * (7 - i));
        *out = v;
        return true;
    }
    // A field that is 32 bits in ELF32 and 64 bits in ELF64.
    bool word(uint64_t offset, bool wide, uint64_t* out) const {
        if (wide) return u64(offset, out);
        uint32_t v = 0;
        if (!u32(offset, &v)) return false;
        *out = v;
        return true;
    }
};

void setArchitecture(CRKELFImageInfo* info) {
    info->cputype = 0;
    info->cpusubtype = 0;
    switch (info->machine) {
        case EM_386:
            info->cputype = 7;
            info->cpusubtype = 3;
            break;
        case EM_X86_64:
            info->cputype = 7 | CRKMachOCPUArch64;
            info->cpusubtype = 3;
            break;
        case EM_ARM:
            info->cputype = 12;
            info->cpusubtype = 0;
            break;
        case EM_AARCH64:
            info->cputype = 12 | CRKMachOCPUArch64;
            info->cpusubtype = 0;
            break;
        case EM_PPC:
            info->cputype = 18;
            break;
        case EM_PPC64:
            info->cputype = 18 | CRKMachOCPUArch64;
            break;
        default:
            break;
    }
}

void takeBuildID(CRKELFImageInfo* info, const uint8_t* desc, uint32_t length) {
    memset(info->uuid, 0, sizeof info->uuid);
    memcpy(info->uuid, desc, length < 16 ? length : 16);
    info->hasBuildID = true;
    info->buildIDLength = length;
    info->buildIDAddress = reinterpret_cast<uintptr_t>(desc);
}

uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

// Walks the notes of one note area; true when the GNU build-id was found. `read32` reads a 32-bit word
// at an offset of the area, `bytesAt` gives the address of a checked range.
template <typename Read32, typename BytesAt>
bool scanNotes(uint64_t size, uint64_t alignment, Read32 read32, BytesAt bytesAt, CRKELFImageInfo* info) {
    alignment = alignment == 8 ? 8 : 4;
    uint64_t offset = 0;
    while (offset + 12 <= size) {
        uint32_t nameSize = 0, descSize = 0, type = 0;
        if (!read32(offset, &nameSize) || !read32(offset + 4, &descSize) || !read32(offset + 8, &type))
            return false;
        // The name follows the 12-byte header; the descriptor and the next note start at the next
        // multiple of the note area's alignment.
        const uint64_t nameAt = offset + 12;
        const uint64_t descAt = alignUp(nameAt + nameSize, alignment);
        const uint64_t next = alignUp(descAt + descSize, alignment);
        if (descAt > size || descSize > size - descAt) return false;
        if (type == NT_GNU_BUILD_ID && nameSize == 4) {
            const uint8_t* name = bytesAt(nameAt, 4);
            const uint8_t* desc = bytesAt(descAt, descSize);
            if (name && desc && memcmp(name, "GNU", 4) == 0) {
                takeBuildID(info, desc, descSize);
                return true;
            }
        }
        if (next <= offset) return false;
        offset = next;
    }
    return false;
}

bool scanFileNotes(const Reader& r, uint64_t areaOffset, uint64_t areaSize, uint64_t alignment,
                   CRKELFImageInfo* info) {
    if (!r.fits(areaOffset, areaSize)) return false;
    auto read32 = [&](uint64_t at, uint32_t* out) { return r.u32(areaOffset + at, out); };
    auto bytesAt = [&](uint64_t at, uint64_t n) -> const uint8_t* {
        return r.fits(areaOffset + at, n) ? r.bytes + areaOffset + at : nullptr;
    };
    return scanNotes(areaSize, alignment, read32, bytesAt, info);
}

void resetInfo(CRKELFImageInfo* info) {
    memset(info, 0, sizeof *info);
}

}  // namespace

bool CRKELFFileInitWithPath(CRKELFFile* file, const char* path) {
    return file && CRKMapFile(path, EI_NIDENT, &file->fd, &file->mappedSize, &file->mappedFile);
}

bool CRKELFFileInitWithCurrentExecutable(CRKELFFile* file) {
    return CRKELFFileInitWithPath(file, "/proc/self/exe");
}

void CRKELFFileDestroy(CRKELFFile* file) {
    if (file) CRKUnmapFile(&file->fd, &file->mappedSize, &file->mappedFile);
}

bool CRKELFFileReadInfo(const CRKELFFile* file, CRKELFImageInfo* info) {
    if (!file || !file->mappedFile) return false;
    return CRKELFBufferReadInfo(file->mappedFile, file->mappedSize, info);
}

bool CRKELFBufferReadInfo(const void* bytes, uint64_t length, CRKELFImageInfo* info) {
    if (!info) return false;
    resetInfo(info);
    if (!bytes || length < EI_NIDENT) return false;
    const uint8_t* ident = static_cast<const uint8_t*>(bytes);
    if (memcmp(ident, ELFMAG, SELFMAG) != 0) return false;
    if (ident[EI_CLASS] != ELFCLASS32 && ident[EI_CLASS] != ELFCLASS64) return false;
    if (ident[EI_DATA] != ELFDATA2LSB && ident[EI_DATA] != ELFDATA2MSB) return false;
    const bool wide = ident[EI_CLASS] == ELFCLASS64;
    Reader r{ident, length, ident[EI_DATA] == ELFDATA2MSB};
    info->is64Bit = wide;
    info->bigEndian = r.big;

    uint16_t machine = 0, phentsize = 0, phnum = 0, shentsize = 0, shnum = 0;
    uint64_t phoff = 0, shoff = 0;
    if (!r.u16(18, &machine)) return false;
    // Offsets of the header fields differ between the two classes.
    const uint64_t phoffAt = wide ? 32 : 28, shoffAt = wide ? 40 : 32, phentAt = wide ? 54 : 42;
    if (!r.word(phoffAt, wide, &phoff) || !r.word(shoffAt, wide, &shoff) || !r.u16(phentAt, &phentsize) ||
        !r.u16(phentAt + 2, &phnum) || !r.u16(phentAt + 4, &shentsize) || !r.u16(phentAt + 6, &shnum)) {
        return false;
    }
    info->machine = machine;
    setArchitecture(info);

    const uint64_t minPhent = wide ? sizeof(Elf64_Phdr) : sizeof(Elf32_Phdr);
    if (phnum > 0 && phentsize >= minPhent) {
        for (uint16_t i = 0; i < phnum; i++) {
            if (phoff > length || uint64_t(i) * phentsize > length - phoff) break;
            const uint64_t ph = phoff + uint64_t(i) * phentsize;
            if (!r.fits(ph, minPhent)) break;
            uint32_t type = 0, flags = 0;
            uint64_t offset = 0, vaddr = 0, filesz = 0, memsz = 0, align = 0;
            r.u32(ph, &type);
            if (wide) {
                r.u32(ph + 4, &flags);
                r.u64(ph + 8, &offset);
                r.u64(ph + 16, &vaddr);
                r.u64(ph + 32, &filesz);
                r.u64(ph + 40, &memsz);
                r.u64(ph + 48, &align);
            } else {
                uint32_t v = 0;
                r.u32(ph + 4, &v), offset = v;
                r.u32(ph + 8, &v), vaddr = v;
                r.u32(ph + 16, &v), filesz = v;
                r.u32(ph + 20, &v), memsz = v;
                r.u32(ph + 24, &flags);
                r.u32(ph + 28, &v), align = v;
            }
            if (type == PT_LOAD && (flags & PF_X) && info->textSize == 0) {
                info->textStart = vaddr;
                info->textSize = memsz;
            } else if (type == PT_NOTE && !info->hasBuildID) {
                scanFileNotes(r, offset, filesz, align, info);
            }
        }
    }
    // A file without program headers (an object file, a separate debug file) keeps its notes in
    // sections only.
    const uint64_t minShent = wide ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (!info->hasBuildID && shnum > 0 && shentsize >= minShent) {
        for (uint16_t i = 0; i < shnum && !info->hasBuildID; i++) {
            if (shoff > length || uint64_t(i) * shentsize > length - shoff) break;
            const uint64_t sh = shoff + uint64_t(i) * shentsize;
            if (!r.fits(sh, minShent)) break;
            uint32_t type = 0;
            uint64_t offset = 0, size = 0, align = 0;
            r.u32(sh + 4, &type);
            if (type != SHT_NOTE) continue;
            r.word(sh + (wide ? 24 : 16), wide, &offset);
            r.word(sh + (wide ? 32 : 20), wide, &size);
            r.word(sh + (wide ? 48 : 32), wide, &align);
            scanFileNotes(r, offset, size, align, info);
        }
    }
    return true;
}

bool CRKELFImageReadInfo(uintptr_t loadBias, const void* programHeaders, uint16_t programHeaderCount,
                         CRKELFImageInfo* info) {
    if (!info) return false;
    resetInfo(info);
    if (!programHeaders || programHeaderCount == 0) return false;
    const auto* phdrs = static_cast<const ElfW(Phdr)*>(programHeaders);
#if defined(__LP64__)
    info->is64Bit = true;
#endif
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    info->bigEndian = true;
#endif
    // The ELF header is mapped at the start of the first loadable segment that begins at offset 0.
    for (uint16_t i = 0; i < programHeaderCount; i++) {
        const auto& ph = phdrs[i];
        if (ph.p_type == PT_LOAD && ph.p_offset == 0 && ph.p_filesz >= sizeof(ElfW(Ehdr))) {
            const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(loadBias + ph.p_vaddr);
            if (memcmp(header->e_ident, ELFMAG, SELFMAG) == 0) info->machine = header->e_machine;
            break;
        }
    }
    if (info->machine == 0) {
#if defined(__x86_64__)
        info->machine = EM_X86_64;
#elif defined(__aarch64__)
        info->machine = EM_AARCH64;
#elif defined(__i386__)
        info->machine = EM_386;
#elif defined(__arm__)
        info->machine = EM_ARM;
#endif
    }
    setArchitecture(info);

    for (uint16_t i = 0; i < programHeaderCount; i++) {
        const auto& ph = phdrs[i];
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_X) && info->textSize == 0) {
            info->textStart = loadBias + ph.p_vaddr;
            info->textSize = ph.p_memsz;
        }
    }
    for (uint16_t i = 0; i < programHeaderCount && !info->hasBuildID; i++) {
        const auto& note = phdrs[i];
        if (note.p_type != PT_NOTE) continue;
        // Read a note only where a loadable segment maps it.
        bool mapped = false;
        for (uint16_t j = 0; j < programHeaderCount && !mapped; j++) {
            const auto& load = phdrs[j];
            mapped = load.p_type == PT_LOAD && note.p_vaddr >= load.p_vaddr &&
                     note.p_memsz <= load.p_filesz &&
                     note.p_vaddr - load.p_vaddr <= load.p_filesz - note.p_memsz;
        }
        if (!mapped) continue;
        const uint8_t* area = reinterpret_cast<const uint8_t*>(loadBias + note.p_vaddr);
        const uint64_t size = note.p_memsz;
        auto read32 = [&](uint64_t at, uint32_t* out) {
            if (at + 4 > size) return false;
            memcpy(out, area + at, 4);
            return true;
        };
        auto bytesAt = [&](uint64_t at, uint64_t n) -> const uint8_t* {
            return at <= size && n <= size - at ? area + at : nullptr;
        };
        scanNotes(size, note.p_align, read32, bytesAt, info);
    }
    return true;
}

bool CRKELFGetRunningImage(CRKELFImageInfo* info) {
    if (!info) return false;
    const auto* phdrs = reinterpret_cast<const ElfW(Phdr)*>(getauxval(AT_PHDR));
    const auto count = static_cast<uint16_t>(getauxval(AT_PHNUM));
    if (!phdrs || count == 0) {
        resetInfo(info);
        return false;
    }
    uintptr_t bias = 0;
    for (uint16_t i = 0; i < count; i++) {
        if (phdrs[i].p_type == PT_PHDR) {
            bias = reinterpret_cast<uintptr_t>(phdrs) - phdrs[i].p_vaddr;
            break;
        }
    }
    return CRKELFImageReadInfo(bias, phdrs, count, info);
}

const char* CRKELFGetArchitectureName(const CRKELFImageInfo* info) {
    if (!info) return "unknown";
    if (info->cputype != 0) return CRKMachOArchitectureNameForCPU(info->cputype, info->cpusubtype);
    switch (info->machine) {
        case EM_RISCV:
            return info->is64Bit ? "riscv64" : "riscv32";
        case EM_S390:
            return info->is64Bit ? "s390x" : "s390";
        case EM_MIPS:
            return info->is64Bit ? "mips64" : "mips";
        case EM_SPARCV9:
            return "sparc64";
        case 258:  // LoongArch, newer than some system headers
            return "loongarch64";
        default:
            return "unknown";
    }
}

}  // namespace reporting
