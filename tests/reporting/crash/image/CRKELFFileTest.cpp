#include "reporting/crash/image/CRKELFFile.h"

#include <elf.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "reporting/crash/image/CRKMachOFile.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using Bytes = std::vector<uint8_t>;

// Builds a small ELF file: header, program headers (an executable load segment and a note segment) and
// the GNU build-id note, in either class and byte order.
Bytes buildELF(bool is64, bool bigEndian, uint16_t machine, const Bytes& buildID, uint32_t noteAlign = 4) {
    Bytes out;
    auto put = [&](uint64_t value, int size) {
        for (int i = 0; i < size; i++) {
            const int shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
            out.push_back(uint8_t(value >> shift));
        }
    };
    auto word = [&](uint64_t value) { put(value, is64 ? 8 : 4); };
    const uint32_t ehsize = is64 ? 64 : 52, phentsize = is64 ? 56 : 32;
    const uint64_t phoff = ehsize, noteOffset = ehsize + 2 * phentsize;
    const uint64_t noteSize = 12 + 4 + ((buildID.size() + 3) & ~size_t(3));

    out.insert(out.end(), {0x7f, 'E', 'L', 'F', uint8_t(is64 ? 2 : 1), uint8_t(bigEndian ? 2 : 1), 1, 0});
    out.resize(16, 0);
    put(ET_DYN, 2);
    put(machine, 2);
    put(1, 4);
    word(0x1000);  // entry
    word(phoff);   // program headers
    word(0);       // no section headers
    put(0, 4);     // flags
    put(ehsize, 2);
    put(phentsize, 2);
    put(2, 2);
    put(is64 ? 64 : 40, 2);
    put(0, 2);
    put(0, 2);

    auto programHeader = [&](uint32_t type, uint32_t flags, uint64_t offset, uint64_t vaddr, uint64_t size,
                             uint64_t align) {
        put(type, 4);
        if (is64) {
            put(flags, 4);
            word(offset), word(vaddr), word(vaddr), word(size), word(size), word(align);
        } else {
            word(offset), word(vaddr), word(vaddr), word(size), word(size);
            put(flags, 4);
            word(align);
        }
    };
    programHeader(PT_LOAD, PF_R | PF_X, 0, 0x400000, 0x2345, 0x1000);
    programHeader(PT_NOTE, PF_R, noteOffset, 0x400000 + noteOffset, noteSize, noteAlign);
    put(4, 4);
    put(buildID.size(), 4);
    put(NT_GNU_BUILD_ID, 4);
    out.insert(out.end(), {'G', 'N', 'U', 0});
    out.insert(out.end(), buildID.begin(), buildID.end());
    out.resize(noteOffset + noteSize, 0);
    return out;
}

// Reads the bytes from an exactly sized heap copy, so that any read past them is caught.
bool readHeap(const Bytes& bytes, CRKELFImageInfo* info) {
    void* copy = malloc(bytes.empty() ? 1 : bytes.size());
    if (!bytes.empty()) memcpy(copy, bytes.data(), bytes.size());
    const bool ok = CRKELFBufferReadInfo(copy, bytes.size(), info);
    free(copy);
    return ok;
}

Bytes sequence(size_t length) {
    Bytes out(length);
    for (size_t i = 0; i < length; i++) out[i] = uint8_t(0xa0 + i);
    return out;
}

class CRKELFFileTest : public testsupport::KestruneTest {};

TEST_F(CRKELFFileTest, BuildIDIsCutOrPaddedToSixteenBytes) {
    CRKELFImageInfo info;
    ASSERT_TRUE(readHeap(buildELF(true, false, EM_X86_64, sequence(20)), &info));
    EXPECT_TRUE(info.hasBuildID);
    EXPECT_EQ(info.buildIDLength, 20u);
    EXPECT_EQ(CRKMachOFormatUUID(info.uuid), "a0a1a2a3a4a5a6a7a8a9aaabacadaeaf");
    EXPECT_STREQ(CRKELFGetArchitectureName(&info), "x86_64");
    EXPECT_EQ(info.textStart, 0x400000u);
    EXPECT_EQ(info.textSize, 0x2345u);
    EXPECT_TRUE(info.is64Bit);

    ASSERT_TRUE(readHeap(buildELF(true, false, EM_AARCH64, sequence(8)), &info));
    EXPECT_EQ(info.buildIDLength, 8u);
    EXPECT_EQ(CRKMachOFormatUUID(info.uuid), "a0a1a2a3a4a5a6a70000000000000000");
    EXPECT_STREQ(CRKELFGetArchitectureName(&info), "arm64");
}

TEST_F(CRKELFFileTest, BothClassesAndByteOrders) {
    CRKELFImageInfo info;
    ASSERT_TRUE(readHeap(buildELF(false, true, EM_PPC, sequence(16)), &info));
    EXPECT_FALSE(info.is64Bit);
    EXPECT_TRUE(info.bigEndian);
    EXPECT_STREQ(CRKELFGetArchitectureName(&info), "ppc");
    EXPECT_EQ(CRKMachOFormatUUID(info.uuid), "a0a1a2a3a4a5a6a7a8a9aaabacadaeaf");
    EXPECT_EQ(info.textSize, 0x2345u);

    ASSERT_TRUE(readHeap(buildELF(false, false, EM_386, sequence(20), 8), &info));
    EXPECT_STREQ(CRKELFGetArchitectureName(&info), "i386");
    EXPECT_TRUE(info.hasBuildID);

    ASSERT_TRUE(readHeap(buildELF(true, true, EM_S390, sequence(20)), &info));
    EXPECT_STREQ(CRKELFGetArchitectureName(&info), "s390x");
    EXPECT_EQ(info.cputype, 0);
}

TEST_F(CRKELFFileTest, TruncatedAndCorruptFilesAreReadSafely) {
    const Bytes whole = buildELF(true, false, EM_X86_64, sequence(20));
    CRKELFImageInfo info;
    for (size_t length = 0; length < whole.size(); length++) {
        readHeap(Bytes(whole.begin(), whole.begin() + long(length)), &info);
        EXPECT_FALSE(info.hasBuildID) << length;
    }
    EXPECT_FALSE(readHeap(Bytes{'n', 'o', 't', ' ', 'e', 'l', 'f', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, &info));

    // A note whose descriptor length runs past its segment, and a program header table far outside.
    Bytes longNote = whole;
    const size_t noteAt = 64 + 2 * 56;
    longNote[noteAt + 4] = 0xff, longNote[noteAt + 5] = 0xff;
    ASSERT_TRUE(readHeap(longNote, &info));
    EXPECT_FALSE(info.hasBuildID);
    Bytes farHeaders = whole;
    farHeaders[32 + 6] = 0x7f;
    ASSERT_TRUE(readHeap(farHeaders, &info));
    EXPECT_FALSE(info.hasBuildID);
    EXPECT_EQ(info.textSize, 0u);
}

TEST_F(CRKELFFileTest, RunningImageMatchesItsFile) {
    CRKELFImageInfo running;
    ASSERT_TRUE(CRKELFGetRunningImage(&running));
    CRKELFFile file;
    ASSERT_TRUE(CRKELFFileInitWithCurrentExecutable(&file));
    CRKELFImageInfo onDisk;
    ASSERT_TRUE(CRKELFFileReadInfo(&file, &onDisk));
    CRKELFFileDestroy(&file);
    EXPECT_EQ(file.fd, -1);

    EXPECT_EQ(running.machine, onDisk.machine);
    EXPECT_STREQ(CRKELFGetArchitectureName(&running), CRKELFGetArchitectureName(&onDisk));
    EXPECT_EQ(running.hasBuildID, onDisk.hasBuildID);
    EXPECT_EQ(memcmp(running.uuid, onDisk.uuid, 16), 0);
    EXPECT_EQ(running.textSize, onDisk.textSize);
    // The code of this very test lies in the running image's text range.
    const auto here = reinterpret_cast<uintptr_t>(&buildELF);
    EXPECT_GE(here, running.textStart);
    EXPECT_LT(here, running.textStart + running.textSize);
#if defined(__x86_64__)
    EXPECT_STREQ(CRKELFGetArchitectureName(&running), "x86_64");
#endif

    // Every loaded image the loader reports reads without trouble.
    struct Count {
        int images = 0;
        int withText = 0;
    } count;
    dl_iterate_phdr(
        [](struct dl_phdr_info* image, size_t, void* data) {
            auto* c = static_cast<Count*>(data);
            CRKELFImageInfo info;
            if (CRKELFImageReadInfo(image->dlpi_addr, image->dlpi_phdr, image->dlpi_phnum, &info))
                c->images++;
            if (info.textSize > 0) c->withText++;
            return 0;
        },
        &count);
    EXPECT_GT(count.images, 1);
    EXPECT_EQ(count.images, count.withText);

    EXPECT_FALSE(CRKELFFileInitWithPath(&file, "/nonexistent"));
    EXPECT_FALSE(CRKELFFileInitWithPath(&file, "/"));
}

}  // namespace
