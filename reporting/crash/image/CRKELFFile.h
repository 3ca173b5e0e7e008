#pragma once

#include <cstddef>
#include <cstdint>

namespace reporting {

// The executables of this system are ELF, not Mach-O. This reader gives the crash kit what it reads
// from a Mach-O header elsewhere: a 16-byte image identifier, the architecture and the range of the
// executable code. Like the Mach-O reader it works on memory only (a mapped file or a loaded image),
// allocates nothing and takes no locks, so the loaded-image form may be called from a loader callback
// or at crash time.

// An ELF file mapped read-only; the same shape as the Mach-O file record.
struct CRKELFFile {
    int32_t fd = -1;
    uint64_t mappedSize = 0;
    const void* mappedFile = nullptr;
};

// What the reader learns of one ELF image.
struct CRKELFImageInfo {
    // The GNU build-id note as the 16-byte identifier the reports carry: a longer build-id (the usual
    // 20-byte SHA-1) is cut to its first 16 bytes, a shorter one is padded with zero bytes at the end.
    // All zero when the image has no build-id (hasBuildID false).
    uint8_t uuid[16];
    bool hasBuildID;
    uint32_t buildIDLength;  // length of the build-id itself, the note's descriptor (0 when none)
    // Where the build-id's bytes lie in the memory read (the loaded image, or the mapped file or buffer);
    // 0 when none. The crash-time walk compares a few bytes there instead of reading every note again.
    uintptr_t buildIDAddress;

    uint16_t machine;  // e_machine
    bool is64Bit;      // ELFCLASS64
    bool bigEndian;    // ELFDATA2MSB
    // The architecture in the Mach-O numbering the reports use (x86-64 is 0x01000007 / 3, arm64
    // 0x0100000C / 0), so that CRKMachOSliceGetArchitectureName names both kinds alike; 0 / 0 for a
    // machine without a Mach-O counterpart.
    int32_t cputype;
    int32_t cpusubtype;

    // The first executable loadable segment: its start (load bias added for a loaded image, the
    // segment's virtual address for a file) and its size in memory. 0 / 0 when there is none.
    uint64_t textStart;
    uint64_t textSize;
};

// Opens and maps a file (regular, at least as long as an ELF identification); false on any failure,
// with nothing left open.
bool CRKELFFileInitWithPath(CRKELFFile* file, const char* path);
// The running program's own file.
bool CRKELFFileInitWithCurrentExecutable(CRKELFFile* file);
void CRKELFFileDestroy(CRKELFFile* file);
// Reads a mapped file; false when it is no ELF image the reader understands. Every read is checked
// against the mapping's size.
bool CRKELFFileReadInfo(const CRKELFFile* file, CRKELFImageInfo* info);

// The same on bytes in memory holding a whole ELF file (both classes, both byte orders).
bool CRKELFBufferReadInfo(const void* bytes, uint64_t length, CRKELFImageInfo* info);

// A loaded image, as the dynamic loader describes it (dl_iterate_phdr: load bias, program headers and
// their count). Only notes lying inside a loadable segment are read. Native class and byte order only.
bool CRKELFImageReadInfo(uintptr_t loadBias, const void* programHeaders, uint16_t programHeaderCount,
                         CRKELFImageInfo* info);
// The running program (from the auxiliary vector; no loader lock is taken).
bool CRKELFGetRunningImage(CRKELFImageInfo* info);

// The architecture name: the Mach-O name for a machine that has one ("x86_64", "arm64", "i386"), else a
// name of the ELF machine ("riscv64", "s390x"), else "unknown". Never null.
const char* CRKELFGetArchitectureName(const CRKELFImageInfo* info);

}  // namespace reporting
