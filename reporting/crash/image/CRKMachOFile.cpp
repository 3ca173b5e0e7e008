#include "reporting/crash/image/CRKMachOFile.h"
#include "reporting/crash/CRKUtilities.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace reporting {

namespace {

constexpr uint32_t kMagic32 = 0xFEEDFACE;
constexpr uint32_t kCigam32 = 0xCEFAEDFE;
constexpr uint32_t kMagic64 = 0xFEEDFACF;
constexpr uint32_t kCigam64 = 0xCFFAEDFE;
constexpr uint32_t kFatMagic = 0xCAFEBABE;
constexpr uint32_t kFatCigam = 0xBEBAFECA;

uint32_t load32(const void* at) {
    uint32_t v;
    memcpy(&v, at, 4);
    return v;
}
uint64_t load64(const void* at) {
    uint64_t v;
    memcpy(&v, at, 8);
    return v;
}
uint32_t bigEndian32(const void* at) {
    const auto* p = static_cast<const uint8_t*>(at);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// What the reader knows of a slice's header: its byte order and class, its commands and how far it
// may read.
struct Header {
    bool swapped = false;
    bool is64 = false;
    int32_t cputype = 0;
    int32_t cpusubtype = 0;
    uint32_t commandCount = 0;
    uintptr_t commands = 0;
    uintptr_t end = 0;  // 0: unbounded (a loaded image)

    uint32_t u32(uintptr_t at) const {
        uint32_t v = load32(reinterpret_cast<const void*>(at));
        return swapped ? __builtin_bswap32(v) : v;
    }
    uint64_t u64(uintptr_t at) const {
        uint64_t v = load64(reinterpret_cast<const void*>(at));
        return swapped ? __builtin_bswap64(v) : v;
    }
    bool fits(uintptr_t at, uint64_t size) const { return end == 0 || (at <= end && size <= end - at); }
};

bool readHeader(const CRKMachOSliceRecord* slice, Header* header) {
    if (!slice || slice->startAddress == 0) return false;
    header->end = slice->limitAddress;
    const uintptr_t start = slice->startAddress;
    if (!header->fits(start, 4)) return false;
    const uint32_t magic = load32(reinterpret_cast<const void*>(start));
    uint32_t size = 0;
    switch (magic) {
        case kMagic32:
            size = 28;
            break;
        case kCigam32:
            size = 28, header->swapped = true;
            break;
        case kMagic64:
            size = 32, header->is64 = true;
            break;
        case kCigam64:
            size = 32, header->is64 = true, header->swapped = true;
            break;
        default:
            return false;
    }
    if (!header->fits(start, size)) return false;
    header->cputype = int32_t(header->u32(start + 4));
    header->cpusubtype = int32_t(header->u32(start + 8));
    header->commandCount = header->u32(start + 16);
    header->commands = start + size;
    return true;
}

// Walks the load commands; the walk stops at a command too small to hold its own header or reaching
// past the slice's end, so a corrupt command count or size cannot lead it astray.
template <typename Block>
void walkCommands(const Header& header, Block block) {
    uintptr_t cursor = header.commands;
    for (uint32_t i = 0; i < header.commandCount; i++) {
        if (!header.fits(cursor, 8)) return;
        const uint32_t type = header.u32(cursor);
        const uint32_t size = header.u32(cursor + 4);
        if (size < 8 || !header.fits(cursor, size)) return;
        if (!block(type, size, cursor)) return;
        cursor += size;
    }
}

struct ArchName {
    int32_t cputype;
    int32_t cpusubtype;
    const char* name;
};

// The architecture names of the platform's table, for the processor types that exist.
constexpr ArchName kArchitectures[] = {
    {7, 3, "i386"},
    {7 | CRKMachOCPUArch64, 3, "x86_64"},
    {7 | CRKMachOCPUArch64, 8, "x86_64h"},
    {18, 0, "ppc"},
    {18 | CRKMachOCPUArch64, 0, "ppc64"},
    {12, 0, "arm"},
    {12, 5, "armv4t"},
    {12, 6, "armv6"},
    {12, 7, "armv5"},
    {12, 9, "armv7"},
    {12, 10, "armv7f"},
    {12, 11, "armv7s"},
    {12, 12, "armv7k"},
    {12, 14, "armv6m"},
    {12, 15, "armv7m"},
    {12, 16, "armv7em"},
    {12 | CRKMachOCPUArch64, 0, "arm64"},
    {12 | CRKMachOCPUArch64, 1, "arm64v8"},
    {12 | CRKMachOCPUArch64, 2, "arm64e"},
    {12 | 0x02000000, 1, "arm64_32"},
};

}  // namespace

bool CRKMachOFileInitWithPath(CRKMachOFile* file, const char* path) {
    return file && CRKMapFile(path, 16, &file->fd, &file->mappedSize, &file->mappedFile);
}

bool CRKMachOFileInitWithCurrentExecutable(CRKMachOFile* file) {
    CRKMachOSliceRecord running = CRKMachOGetRunningSlice();
    if (running.startAddress == 0) return false;
    auto path = CRKMachOGetImagePath(&running);
    if (!path) return false;
    return CRKMachOFileInitWithPath(file, path->c_str());
}

void CRKMachOFileDestroy(CRKMachOFile* file) {
    if (file) CRKUnmapFile(&file->fd, &file->mappedSize, &file->mappedFile);
}

CRKMachOSliceRecord CRKMachOGetRunningSlice() {
    CRKMachOSliceRecord slice;
    // Only a Mach-O executable defines its header as a symbol; on an ELF system the lookup finds
    // nothing and the start stays 0.
    if (void* self = dlopen(nullptr, RTLD_LAZY | RTLD_NOLOAD)) {
        if (void* header = dlsym(self, "_mh_execute_header")) {
            Dl_info info;
            if (dladdr(header, &info) != 0) slice.startAddress = reinterpret_cast<uintptr_t>(info.dli_fbase);
        }
        dlclose(self);
    }
#if defined(__x86_64__)
    slice.cputype = 7 | CRKMachOCPUArch64;
    slice.cpusubtype = 3;
#elif defined(__aarch64__)
    slice.cputype = 12 | CRKMachOCPUArch64;
    slice.cpusubtype = 0;
#elif defined(__i386__)
    slice.cputype = 7;
    slice.cpusubtype = 3;
#endif
    return slice;
}

std::optional<std::string> CRKMachOGetImagePath(const CRKMachOSliceRecord* slice) {
    if (!slice || slice->startAddress == 0) return std::nullopt;
    Dl_info info;
    if (dladdr(reinterpret_cast<const void*>(slice->startAddress), &info) == 0 || !info.dli_fname) {
        return std::nullopt;
    }
    return std::string(info.dli_fname);
}

void CRKMachOFileEnumerateSlices(const CRKMachOFile* file,
                                 const std::function<void(CRKMachOSliceRecord)>& block) {
    if (!file || !file->mappedFile || file->mappedSize < 4 || !block) return;
    const auto* base = static_cast<const uint8_t*>(file->mappedFile);
    const uint64_t size = file->mappedSize;
    const uintptr_t end = reinterpret_cast<uintptr_t>(base) + size;
    const uint32_t magic = load32(base);
    if (magic != kFatMagic && magic != kFatCigam) {
        CRKMachOSliceRecord slice;
        slice.startAddress = reinterpret_cast<uintptr_t>(base);
        slice.limitAddress = end;
        CRKMachOSliceReadHeader(&slice, nullptr);
        block(slice);
        return;
    }
    if (size < 8) return;
    const uint32_t count = bigEndian32(base + 4);
    for (uint64_t i = 0; i < count; i++) {
        const uint64_t entry = 8 + i * 20;
        if (entry + 20 > size) return;  // the table itself is cut short
        const uint32_t offset = bigEndian32(base + entry + 8);
        const uint32_t length = bigEndian32(base + entry + 12);
        CRKMachOSliceRecord slice;
        slice.cputype = int32_t(bigEndian32(base + entry));
        slice.cpusubtype = int32_t(bigEndian32(base + entry + 4));
        // An entry pointing outside the file still names a slice, but one with nothing readable in it.
        if (offset < size) {
            slice.startAddress = reinterpret_cast<uintptr_t>(base) + offset;
            slice.limitAddress = slice.startAddress + (length < size - offset ? length : size - offset);
        }
        block(slice);
    }
}

CRKMachOSliceRecord CRKMachOFileSliceForArchitecture(const CRKMachOFile* file, const char* name) {
    CRKMachOSliceRecord found;
    if (!name) return found;
    CRKMachOFileEnumerateSlices(file, [&](CRKMachOSliceRecord slice) {
        if (strcmp(CRKMachOSliceGetArchitectureName(&slice), name) == 0) found = slice;
    });
    return found;
}

const void* CRKMachOSliceReadHeader(CRKMachOSliceRecord* slice, uint32_t* commandCount) {
    if (commandCount) *commandCount = 0;
    Header header;
    if (!readHeader(slice, &header)) return nullptr;
    slice->cputype = header.cputype;
    slice->cpusubtype = header.cpusubtype;
    if (commandCount) *commandCount = header.commandCount;
    return reinterpret_cast<const void*>(header.commands);
}

const char* CRKMachOArchitectureNameForCPU(int32_t cputype, int32_t cpusubtype) {
    // The top byte of the subtype carries capability bits (64-bit libraries, pointer authentication
    // versions) that do not change the architecture.
    const int32_t subtype = cpusubtype & 0x00FFFFFF;
    for (const auto& arch : kArchitectures) {
        if (arch.cputype == cputype && arch.cpusubtype == subtype) return arch.name;
    }
    return "unknown";
}

const char* CRKMachOSliceGetArchitectureName(const CRKMachOSliceRecord* slice) {
    if (!slice) return "unknown";
    if (slice->cputype == 12 && slice->cpusubtype == 11) return "armv7s";
    if (slice->cputype == 12 && slice->cpusubtype == 12) return "armv7k";
    if (slice->cputype == (12 | CRKMachOCPUArch64) && slice->cpusubtype == 2) return "arm64e";
    if (slice->cputype == (12 | CRKMachOCPUArch64) && slice->cpusubtype == 0) return "arm64";
    return CRKMachOArchitectureNameForCPU(slice->cputype, slice->cpusubtype);
}

void CRKMachOSliceEnumerateLoadCommands(const CRKMachOSliceRecord* slice,
                                        const std::function<void(uint32_t, uint32_t, const void*)>& block) {
    Header header;
    if (!block || !readHeader(slice, &header) || header.commandCount == 0) return;
    walkCommands(header, [&](uint32_t type, uint32_t size, uintptr_t at) {
        block(type, size, reinterpret_cast<const void*>(at));
        return true;
    });
}

uintptr_t CRKMachOSliceStart(const CRKMachOSliceRecord* slice) {
    return slice ? slice->startAddress : 0;
}

bool CRKMachOSliceIs64Bit(const CRKMachOSliceRecord* slice) {
    return slice && (slice->cputype & CRKMachOCPUArch64) != 0;
}

bool CRKMachOSliceGetSection(const CRKMachOSliceRecord* slice, const char* segment, const char* section,
                             CRKMachOSection* out) {
    Header header;
    if (!segment || !section || !out || !readHeader(slice, &header)) return false;
    bool found = false;
    walkCommands(header, [&](uint32_t type, uint32_t size, uintptr_t at) {
        const bool wide = type == CRKMachOLoadCommandSegment64;
        if (type != CRKMachOLoadCommandSegment && !wide) return true;
        // The section layout follows the header's own class: a 64-bit segment command in a 32-bit
        // header is still read as what it is.
        const uint32_t commandSize = wide ? 72 : 56, sectionSize = wide ? 80 : 68;
        if (size < commandSize) return true;
        const uint32_t count = header.u32(at + (wide ? 64 : 48));
        for (uint32_t i = 0; i < count; i++) {
            const uint64_t offset = commandSize + uint64_t(i) * sectionSize;
            if (offset + sectionSize > size) break;
            const uintptr_t s = at + offset;
            if (strncmp(reinterpret_cast<const char*>(s), section, 16) != 0 ||
                strncmp(reinterpret_cast<const char*>(s + 16), segment, 16) != 0) {
                continue;
            }
            out->addr = wide ? header.u64(s + 32) : header.u32(s + 32);
            out->size = wide ? header.u64(s + 40) : header.u32(s + 36);
            out->offset = header.u32(s + (wide ? 48 : 40));
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

bool CRKMachOSliceGetSectionData(const CRKMachOSliceRecord* slice, const char* segment, const char* section,
                                 const void** out) {
    CRKMachOSection info;
    if (!out || !CRKMachOSliceGetSection(slice, segment, section, &info)) return false;
    *out = reinterpret_cast<const void*>(slice->startAddress + info.offset);
    return true;
}

bool CRKMachOSliceGetUnwindSections(const CRKMachOSliceRecord*, uintptr_t*, uintptr_t*, intptr_t*) {
    return false;
}

CRKMachOSegment CRKMachOGetSegmentInfo(const void* command) {
    CRKMachOSegment segment;
    if (!command) return segment;
    const auto* p = static_cast<const uint8_t*>(command);
    const uint32_t type = load32(p);
    if (type == CRKMachOLoadCommandSegment64) {
        memcpy(segment.segname, p + 8, 16);
        segment.vmaddr = load64(p + 24);
        segment.vmsize = load64(p + 32);
    } else if (type == CRKMachOLoadCommandSegment) {
        memcpy(segment.segname, p + 8, 16);
        segment.vmaddr = load32(p + 24);
        segment.vmsize = load32(p + 28);
    }
    return segment;
}

const uint8_t* CRKMachOGetUUID(const void* command) {
    return command ? static_cast<const uint8_t*>(command) + 8 : nullptr;
}

const char* CRKMachOGetLoadCommandString(const void* command) {
    if (!command) return nullptr;
    return static_cast<const char*>(command) + load32(static_cast<const uint8_t*>(command) + 8);
}

bool CRKMachOEncryptionInfoIsEncrypted(const void* command) {
    return command && load32(static_cast<const uint8_t*>(command) + 16) != 0;
}

static CRKMachOVersion unpackVersion(uint32_t v) {
    return {v >> 16, (v >> 8) & 0xFF, v & 0xFF};
}

CRKMachOVersion CRKMachOGetMinimumOSVersion(const void* command) {
    if (!command) return {};
    return unpackVersion(load32(static_cast<const uint8_t*>(command) + 8));
}

CRKMachOVersion CRKMachOGetLinkedSDKVersion(const void* command) {
    if (!command) return {};
    return unpackVersion(load32(static_cast<const uint8_t*>(command) + 12));
}

std::optional<std::string> CRKMachOSliceGetUUIDString(const CRKMachOSliceRecord*, const void* command,
                                                      uint32_t commandSize) {
    if (!command || commandSize < 24) return std::nullopt;
    return CRKMachOFormatUUID(CRKMachOGetUUID(command));
}

std::optional<std::string> CRKMachOSliceGetLoadCommandString(const CRKMachOSliceRecord* slice,
                                                             const void* command, uint32_t commandSize) {
    Header header;
    if (!command || commandSize < 12 || !readHeader(slice, &header)) return std::nullopt;
    const uint32_t offset = header.u32(reinterpret_cast<uintptr_t>(command) + 8);
    if (offset < 12 || offset >= commandSize) return std::nullopt;
    // The name ends at its terminating zero or, in a corrupt command, at the command's end.
    const char* name = static_cast<const char*>(command) + offset;
    return std::string(name, strnlen(name, commandSize - offset));
}

bool CRKMachOSliceGetVersions(const CRKMachOSliceRecord* slice, const void* command, uint32_t commandSize,
                              CRKMachOVersion* minimumOS, CRKMachOVersion* linkedSDK) {
    Header header;
    if (!command || commandSize < 16 || !readHeader(slice, &header)) return false;
    const auto at = reinterpret_cast<uintptr_t>(command);
    if (minimumOS) *minimumOS = unpackVersion(header.u32(at + 8));
    if (linkedSDK) *linkedSDK = unpackVersion(header.u32(at + 12));
    return true;
}

std::string CRKMachOFormatUUID(const uint8_t* uuid) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    if (!uuid) return text;
    text.reserve(32);
    for (int i = 0; i < 16; i++) {
        text.push_back(digits[uuid[i] >> 4]);
        text.push_back(digits[uuid[i] & 0xF]);
    }
    return text;
}

std::optional<std::string> CRKMachOFormatVersion(const CRKMachOVersion* version) {
    if (!version) return std::nullopt;
    return std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
           std::to_string(version->patch);
}

}  // namespace reporting
