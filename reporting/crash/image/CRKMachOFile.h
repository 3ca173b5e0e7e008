#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace reporting {

// A small reader of Mach-O files and headers. It works on memory only (a mapped file or a header in
// memory), keeps no state outside the records the caller owns and allocates nothing of its own.
//
// Reads are bounded: a record made from a file carries the end of its mapping (a fat entry's slice is
// bounded by its entry's size as well), and every header, load command and string is checked against
// that end before it is read, so a truncated or corrupt file never leads the reader outside the
// mapping. A record made from a header in memory with no known end (limit 0) is trusted as loaded
// images are.

// A mapped file.
struct CRKMachOFile {
    int32_t fd = -1;
    uint64_t mappedSize = 0;
    const void* mappedFile = nullptr;
};

// One Mach-O header inside a mapping or a loaded image.
struct CRKMachOSliceRecord {
    uintptr_t startAddress = 0;
    int32_t cputype = 0;
    int32_t cpusubtype = 0;
    // One past the last byte that may be read for this slice; 0 when unknown (a loaded image).
    uintptr_t limitAddress = 0;
};

struct CRKMachOSection {
    uint64_t addr = 0;
    uint64_t size = 0;
    uint32_t offset = 0;
};

struct CRKMachOSegment {
    char segname[16] = {};
    uint64_t vmaddr = 0;
    uint64_t vmsize = 0;
};

struct CRKMachOVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t patch = 0;
};

// Load-command types the kit reads.
constexpr uint32_t CRKMachOLoadCommandSegment = 0x1;
constexpr uint32_t CRKMachOLoadCommandLoadDylib = 0xC;
constexpr uint32_t CRKMachOLoadCommandUUID = 0x1B;
constexpr uint32_t CRKMachOLoadCommandSegment64 = 0x19;
constexpr uint32_t CRKMachOLoadCommandEncryptionInfo = 0x21;
constexpr uint32_t CRKMachOLoadCommandVersionMinMacOSX = 0x24;
constexpr uint32_t CRKMachOLoadCommandVersionMinIPhoneOS = 0x25;
constexpr uint32_t CRKMachOLoadCommandVersionMinTvOS = 0x2F;
constexpr uint32_t CRKMachOLoadCommandVersionMinWatchOS = 0x30;
constexpr int32_t CRKMachOCPUArch64 = 0x01000000;

// File and image level.
bool CRKMachOFileInitWithPath(CRKMachOFile* file, const char* path);
bool CRKMachOFileInitWithCurrentExecutable(CRKMachOFile* file);
void CRKMachOFileDestroy(CRKMachOFile* file);
CRKMachOSliceRecord CRKMachOGetRunningSlice();
std::optional<std::string> CRKMachOGetImagePath(const CRKMachOSliceRecord* slice);
void CRKMachOFileEnumerateSlices(const CRKMachOFile* file,
                                 const std::function<void(CRKMachOSliceRecord)>& block);
CRKMachOSliceRecord CRKMachOFileSliceForArchitecture(const CRKMachOFile* file, const char* name);

// Slice level. The header is recognised in either byte order; the fields of a byte-swapped header and
// of its load commands are read swapped.
const void* CRKMachOSliceReadHeader(CRKMachOSliceRecord* slice, uint32_t* commandCount);
const char* CRKMachOSliceGetArchitectureName(const CRKMachOSliceRecord* slice);
// block(command type, command size, command address). A command whose size is too small to hold its
// own header, or that reaches past the slice's end, stops the walk.
void CRKMachOSliceEnumerateLoadCommands(const CRKMachOSliceRecord* slice,
                                        const std::function<void(uint32_t, uint32_t, const void*)>& block);
uintptr_t CRKMachOSliceStart(const CRKMachOSliceRecord* slice);
bool CRKMachOSliceIs64Bit(const CRKMachOSliceRecord* slice);
bool CRKMachOSliceGetSection(const CRKMachOSliceRecord* slice, const char* segment, const char* section,
                             CRKMachOSection* out);
bool CRKMachOSliceGetSectionData(const CRKMachOSliceRecord* slice, const char* segment, const char* section,
                                 const void** out);
// Mach-O images are never loaded on this system, so no loaded image has these sections: false.
bool CRKMachOSliceGetUnwindSections(const CRKMachOSliceRecord* slice, uintptr_t* ehFrame,
                                    uintptr_t* unwindInfo, intptr_t* slide);
CRKMachOSegment CRKMachOGetSegmentInfo(const void* command);

// Load-command level. Each takes the command's address; the slice form checks the command against
// the slice's end and the command's own size before reading.
const uint8_t* CRKMachOGetUUID(const void* command);
const char* CRKMachOGetLoadCommandString(const void* command);
bool CRKMachOEncryptionInfoIsEncrypted(const void* command);
CRKMachOVersion CRKMachOGetMinimumOSVersion(const void* command);
CRKMachOVersion CRKMachOGetLinkedSDKVersion(const void* command);
// Checked forms used by the walkers: they read in the slice's byte order and refuse (none / false)
// what does not fit inside the command.
std::optional<std::string> CRKMachOSliceGetUUIDString(const CRKMachOSliceRecord* slice, const void* command,
                                                      uint32_t commandSize);
std::optional<std::string> CRKMachOSliceGetLoadCommandString(const CRKMachOSliceRecord* slice,
                                                             const void* command, uint32_t commandSize);
bool CRKMachOSliceGetVersions(const CRKMachOSliceRecord* slice, const void* command, uint32_t commandSize,
                              CRKMachOVersion* minimumOS, CRKMachOVersion* linkedSDK);

std::string CRKMachOFormatUUID(const uint8_t* uuid);
std::optional<std::string> CRKMachOFormatVersion(const CRKMachOVersion* version);
// Names a processor type and subtype as the platform's architecture table does ("x86_64", "i386",
// "arm64", ...), or "unknown". Shared with the ELF reader.
const char* CRKMachOArchitectureNameForCPU(int32_t cputype, int32_t cpusubtype);

}  // namespace reporting
