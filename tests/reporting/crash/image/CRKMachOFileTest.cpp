#include "reporting/crash/image/CRKMachOFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "reporting/crash/image/CRKCodeMapping.h"
#include "reporting/crash/image/CRKMachOBinary.h"
#include "reporting/crash/image/CRKMachOSlice.h"
#include "reporting/crash/image/CRKdSYM.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using Bytes = std::vector<uint8_t>;

constexpr int32_t kX86_64 = 0x01000007;
constexpr int32_t kARM64 = 0x0100000C;
constexpr int32_t kPPC = 18;

uint32_t pack(uint32_t major, uint32_t minor, uint32_t patch) {
    return major << 16 | minor << 8 | patch;
}

// Builds Mach-O images byte by byte, in either class and byte order.
class MachOBuilder {
public:
    MachOBuilder(bool is64, bool bigEndian, int32_t cputype, int32_t cpusubtype)
        : is64_(is64), big_(bigEndian), cputype_(cputype), cpusubtype_(cpusubtype) {}

    MachOBuilder& uuid(const uint8_t bytes[16]) {
        Bytes c;
        put32(c, 0x1B);
        put32(c, 24);
        c.insert(c.end(), bytes, bytes + 16);
        commands_.push_back(c);
        return *this;
    }
    MachOBuilder& versionMin(uint32_t type, uint32_t version, uint32_t sdk) {
        Bytes c;
        put32(c, type);
        put32(c, 16);
        put32(c, version);
        put32(c, sdk);
        commands_.push_back(c);
        return *this;
    }
    MachOBuilder& dylib(const std::string& name) {
        Bytes c;
        const uint32_t size = uint32_t((24 + name.size() + 1 + 7) & ~size_t(7));
        put32(c, 0xC);
        put32(c, size);
        put32(c, 24);  // name offset
        put32(c, 2);   // timestamp
        put32(c, pack(1, 0, 0));
        put32(c, pack(1, 0, 0));
        c.insert(c.end(), name.begin(), name.end());
        c.resize(size, 0);
        commands_.push_back(c);
        return *this;
    }
    MachOBuilder& encryption(uint32_t cryptid) {
        Bytes c;
        put32(c, 0x21);
        put32(c, 20);
        put32(c, 0x1000);
        put32(c, 0x2000);
        put32(c, cryptid);
        commands_.push_back(c);
        return *this;
    }
    MachOBuilder& textSegment(uint64_t sectionAddress, uint64_t sectionSize, uint32_t sectionOffset) {
        Bytes c;
        put32(c, is64_ ? 0x19 : 0x1);
        put32(c, is64_ ? 72 + 80 : 56 + 68);
        name(c, "__TEXT");
        word(c, 0x100000000ull);
        word(c, 0x4000);
        word(c, 0);
        word(c, 0x4000);
        put32(c, 5);
        put32(c, 5);
        put32(c, 1);  // one section
        put32(c, 0);
        name(c, "__text");
        name(c, "__TEXT");
        word(c, sectionAddress);
        word(c, sectionSize);
        put32(c, sectionOffset);
        for (int i = 0; i < (is64_ ? 7 : 6); i++) put32(c, 0);
        commands_.push_back(c);
        return *this;
    }
    MachOBuilder& raw(const Bytes& command) {
        commands_.push_back(command);
        return *this;
    }

    Bytes bytes() const {
        Bytes out;
        uint32_t sizeofcmds = 0;
        for (const auto& c : commands_) sizeofcmds += uint32_t(c.size());
        const uint32_t magic = is64_ ? 0xFEEDFACF : 0xFEEDFACE;
        put32(out, magic);
        put32(out, uint32_t(cputype_));
        put32(out, uint32_t(cpusubtype_));
        put32(out, 2);
        put32(out, uint32_t(commands_.size()));
        put32(out, sizeofcmds);
        put32(out, 0);
        if (is64_) put32(out, 0);
        for (const auto& c : commands_) out.insert(out.end(), c.begin(), c.end());
        return out;
    }

    void put32(Bytes& out, uint32_t v) const {
        for (int i = 0; i < 4; i++) out.push_back(uint8_t(v >> (big_ ? 24 - 8 * i : 8 * i)));
    }

private:
    void word(Bytes& out, uint64_t v) const {
        if (!is64_) return put32(out, uint32_t(v));
        if (big_) {
            put32(out, uint32_t(v >> 32));
            put32(out, uint32_t(v));
        } else {
            put32(out, uint32_t(v));
            put32(out, uint32_t(v >> 32));
        }
    }
    static void name(Bytes& out, const char* text) {
        // A name of 16 characters fills the field with no terminator, as the format allows.
        char field[16] = {};
        memcpy(field, text, std::min(strlen(text), sizeof field));
        out.insert(out.end(), field, field + 16);
    }

    bool is64_, big_;
    int32_t cputype_, cpusubtype_;
    std::vector<Bytes> commands_;
};

struct FatEntry {
    int32_t cputype;
    int32_t cpusubtype;
    Bytes slice;
};

void putBig(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back(uint8_t(v >> (24 - 8 * i)));
}

Bytes fat(const std::vector<FatEntry>& entries, uint32_t magic = 0xCAFEBABE) {
    Bytes out;
    putBig(out, magic);
    putBig(out, uint32_t(entries.size()));
    uint32_t offset = uint32_t(8 + 20 * entries.size());
    std::vector<uint32_t> offsets;
    for (const auto& e : entries) {
        offset = (offset + 15) & ~15u;
        offsets.push_back(offset);
        putBig(out, uint32_t(e.cputype));
        putBig(out, uint32_t(e.cpusubtype));
        putBig(out, offset);
        putBig(out, uint32_t(e.slice.size()));
        putBig(out, 4);
        offset += uint32_t(e.slice.size());
    }
    for (size_t i = 0; i < entries.size(); i++) {
        out.resize(offsets[i], 0);
        out.insert(out.end(), entries[i].slice.begin(), entries[i].slice.end());
    }
    return out;
}

// A file record over a heap copy of exactly the bytes, so that the sanitizer sees any read past them.
class HeapImage {
public:
    explicit HeapImage(const Bytes& bytes) : memory_(malloc(bytes.empty() ? 1 : bytes.size())) {
        if (!bytes.empty()) memcpy(memory_, bytes.data(), bytes.size());
        file_.mappedFile = memory_;
        file_.mappedSize = bytes.size();
    }
    ~HeapImage() { free(memory_); }
    HeapImage(const HeapImage&) = delete;
    HeapImage& operator=(const HeapImage&) = delete;
    const CRKMachOFile* file() const { return &file_; }

    std::vector<CRKMachOSliceRecord> slices() const {
        std::vector<CRKMachOSliceRecord> out;
        CRKMachOFileEnumerateSlices(&file_, [&](CRKMachOSliceRecord slice) { out.push_back(slice); });
        return out;
    }

private:
    void* memory_;
    CRKMachOFile file_;
};

const uint8_t kUUIDA[16] = {0xde, 0xad, 0xbe, 0xef, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const uint8_t kUUIDB[16] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                            0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 0};

Bytes richThin64(bool bigEndian = false) {
    return MachOBuilder(true, bigEndian, kX86_64, 3)
        .uuid(kUUIDA)
        .versionMin(0x24, pack(10, 9, 0), pack(10, 12, 1))
        .dylib("/usr/lib/libSystem.B.dylib")
        .textSegment(0x100000f00, 0x80, 0xf00)
        .encryption(1)
        .dylib("/usr/lib/libc++.1.dylib")
        .versionMin(0x25, pack(10, 14, 6), pack(11, 2, 3))
        .bytes();
}

class CRKMachOFileTest : public testsupport::KestruneTest {
protected:
    std::string writeFile(const std::string& name, const Bytes& bytes) {
        const std::string path = home() + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
};

TEST_F(CRKMachOFileTest, ThinSliceInBothByteOrdersReadsTheSameFacts) {
    for (bool bigEndian : {false, true}) {
        HeapImage image(richThin64(bigEndian));
        auto slices = image.slices();
        ASSERT_EQ(slices.size(), 1u);
        EXPECT_EQ(slices[0].cputype, kX86_64);
        EXPECT_STREQ(CRKMachOSliceGetArchitectureName(&slices[0]), "x86_64");
        EXPECT_TRUE(CRKMachOSliceIs64Bit(&slices[0]));

        CRKMachOSlice slice(slices[0]);
        EXPECT_EQ(slice.uuid(), "deadbeef000102030405060708090a0b");
        EXPECT_EQ(slice.linkedDylibs(),
                  (std::vector<std::string>{"/usr/lib/libSystem.B.dylib", "/usr/lib/libc++.1.dylib"}));
        // The second version command replaces the first.
        EXPECT_EQ(CRKMachOFormatVersion(&slice.minimumOSVersion()), "10.14.6");
        EXPECT_EQ(CRKMachOFormatVersion(&slice.linkedSDKVersion()), "11.2.3");

        CRKMachOSection section;
        ASSERT_TRUE(CRKMachOSliceGetSection(&slices[0], "__TEXT", "__text", &section));
        EXPECT_EQ(section.addr, 0x100000f00u);
        EXPECT_EQ(section.size, 0x80u);
        EXPECT_EQ(section.offset, 0xf00u);
        EXPECT_FALSE(CRKMachOSliceGetSection(&slices[0], "__TEXT", "__unwind_info", &section));

        std::vector<uint32_t> types;
        CRKMachOSliceEnumerateLoadCommands(
            &slices[0], [&](uint32_t type, uint32_t, const void*) { types.push_back(type); });
        EXPECT_EQ(types, (std::vector<uint32_t>{0x1B, 0x24, 0xC, 0x19, 0x21, 0xC, 0x25}));
    }
}

TEST_F(CRKMachOFileTest, NativeLoadCommandReadersOnALittleEndianImage) {
    HeapImage image(richThin64());
    auto slices = image.slices();
    ASSERT_EQ(slices.size(), 1u);
    bool sawEncryption = false, sawSegment = false;
    CRKMachOSliceEnumerateLoadCommands(&slices[0], [&](uint32_t type, uint32_t, const void* command) {
        if (type == 0x21) {
            sawEncryption = true;
            EXPECT_TRUE(CRKMachOEncryptionInfoIsEncrypted(command));
        } else if (type == 0x1B) {
            EXPECT_EQ(CRKMachOFormatUUID(CRKMachOGetUUID(command)), "deadbeef000102030405060708090a0b");
        } else if (type == 0x24) {
            const CRKMachOVersion version = CRKMachOGetMinimumOSVersion(command);
            EXPECT_EQ(CRKMachOFormatVersion(&version), "10.9.0");
            const CRKMachOVersion sdk = CRKMachOGetLinkedSDKVersion(command);
            EXPECT_EQ(CRKMachOFormatVersion(&sdk), "10.12.1");
        } else if (type == 0x19) {
            sawSegment = true;
            const CRKMachOSegment segment = CRKMachOGetSegmentInfo(command);
            EXPECT_STREQ(segment.segname, "__TEXT");
            EXPECT_EQ(segment.vmaddr, 0x100000000u);
            EXPECT_EQ(segment.vmsize, 0x4000u);
        } else if (type == 0xC) {
            EXPECT_EQ(std::string(CRKMachOGetLoadCommandString(command)).rfind("/usr/lib/", 0), 0u);
        }
    });
    EXPECT_TRUE(sawEncryption);
    EXPECT_TRUE(sawSegment);
    EXPECT_EQ(CRKMachOFormatVersion(nullptr), std::nullopt);
}

TEST_F(CRKMachOFileTest, ThirtyTwoBitBigEndianSlice) {
    HeapImage image(MachOBuilder(false, true, kPPC, 0).uuid(kUUIDB).textSegment(0x2000, 0x10, 0x200).bytes());
    auto slices = image.slices();
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_STREQ(CRKMachOSliceGetArchitectureName(&slices[0]), "ppc");
    EXPECT_FALSE(CRKMachOSliceIs64Bit(&slices[0]));
    EXPECT_EQ(CRKMachOSlice(slices[0]).uuid(), "112233445566778899aabbccddeeff00");
    CRKMachOSection section;
    ASSERT_TRUE(CRKMachOSliceGetSection(&slices[0], "__TEXT", "__text", &section));
    EXPECT_EQ(section.addr, 0x2000u);
    EXPECT_EQ(section.offset, 0x200u);
    const void* data = nullptr;
    ASSERT_TRUE(CRKMachOSliceGetSectionData(&slices[0], "__TEXT", "__text", &data));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(data), slices[0].startAddress + 0x200);
}

TEST_F(CRKMachOFileTest, FatFileYieldsSlicesInEntryOrder) {
    const Bytes x86 = MachOBuilder(true, false, kX86_64, 3).uuid(kUUIDA).bytes();
    const Bytes arm = MachOBuilder(true, false, kARM64, 2).uuid(kUUIDB).bytes();
    HeapImage image(fat({{kX86_64, 3, x86}, {kARM64, 2, arm}}));
    auto slices = image.slices();
    ASSERT_EQ(slices.size(), 2u);
    EXPECT_STREQ(CRKMachOSliceGetArchitectureName(&slices[0]), "x86_64");
    EXPECT_STREQ(CRKMachOSliceGetArchitectureName(&slices[1]), "arm64e");
    EXPECT_EQ(CRKMachOSlice(slices[1]).uuid(), "112233445566778899aabbccddeeff00");
    EXPECT_EQ(CRKMachOFileSliceForArchitecture(image.file(), "arm64e").startAddress, slices[1].startAddress);
    EXPECT_EQ(CRKMachOFileSliceForArchitecture(image.file(), "i386").startAddress, 0u);

    HeapImage empty(fat({}));
    EXPECT_TRUE(empty.slices().empty());
}

TEST_F(CRKMachOFileTest, OtherMagicIsOneThinSliceWithoutCommands) {
    // The 64-bit fat magic is not taken as fat; its header is no Mach-O header either.
    HeapImage image(
        fat({{kX86_64, 3, MachOBuilder(true, false, kX86_64, 3).uuid(kUUIDA).bytes()}}, 0xCAFEBABF));
    auto slices = image.slices();
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_EQ(slices[0].cputype, 0);
    EXPECT_STREQ(CRKMachOSliceGetArchitectureName(&slices[0]), "unknown");
    int commands = 0;
    CRKMachOSliceEnumerateLoadCommands(&slices[0], [&](uint32_t, uint32_t, const void*) { commands++; });
    EXPECT_EQ(commands, 0);
    uint32_t count = 7;
    EXPECT_EQ(CRKMachOSliceReadHeader(&slices[0], &count), nullptr);
    EXPECT_EQ(count, 0u);
}

TEST_F(CRKMachOFileTest, ArchitectureNames) {
    auto name = [](int32_t type, int32_t subtype) {
        CRKMachOSliceRecord slice;
        slice.cputype = type;
        slice.cpusubtype = subtype;
        return std::string(CRKMachOSliceGetArchitectureName(&slice));
    };
    EXPECT_EQ(name(kARM64, 2), "arm64e");
    EXPECT_EQ(name(kARM64, 0), "arm64");
    EXPECT_EQ(name(12, 11), "armv7s");
    EXPECT_EQ(name(12, 12), "armv7k");
    EXPECT_EQ(name(12, 9), "armv7");
    EXPECT_EQ(name(7, 3), "i386");
    // Capability bits in the subtype's top byte (64-bit libraries) do not change the name.
    EXPECT_EQ(name(kX86_64, int32_t(0x80000003)), "x86_64");
    EXPECT_EQ(name(kX86_64, 8), "x86_64h");
    EXPECT_EQ(name(99, 1), "unknown");
    EXPECT_EQ(name(0, 0), "unknown");
}

TEST_F(CRKMachOFileTest, ZeroUUIDIsThirtyTwoZeroDigits) {
    const uint8_t zeros[16] = {};
    HeapImage image(MachOBuilder(true, false, kX86_64, 3).uuid(zeros).bytes());
    auto slices = image.slices();
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_EQ(CRKMachOSlice(slices[0]).uuid(), std::string(32, '0'));
    // No version command: 0.0.0.
    EXPECT_EQ(CRKMachOFormatVersion(&CRKMachOSlice(slices[0]).minimumOSVersion()), "0.0.0");
}

// Every prefix of a valid thin and a valid fat file, and a set of corrupt headers, are read without a
// single byte outside the buffer (the sanitizer fails the test on any such read).
TEST_F(CRKMachOFileTest, TruncatedAndCorruptFilesNeverReadPastTheBuffer) {
    const Bytes thin = richThin64();
    const Bytes swapped = richThin64(true);
    const Bytes fatFile = fat({{kX86_64, 3, thin}, {kARM64, 0, swapped}});
    auto exercise = [](const Bytes& bytes) {
        HeapImage image(bytes);
        size_t total = 0;
        for (const auto& record : image.slices()) {
            CRKMachOSlice slice(record);
            total += slice.linkedDylibs().size() + (slice.uuid() ? 1 : 0);
            CRKMachOSection section;
            CRKMachOSliceGetSection(&record, "__TEXT", "__text", &section);
        }
        return total;
    };
    for (const Bytes* whole : {&thin, &swapped, &fatFile}) {
        for (size_t length = 0; length <= whole->size(); length++) {
            exercise(Bytes(whole->begin(), whole->begin() + long(length)));
        }
    }
    EXPECT_EQ(exercise(thin), 3u);
    EXPECT_EQ(exercise(fatFile), 6u);

    // A command count far beyond the commands present.
    Bytes manyCommands = thin;
    manyCommands[16] = 0xff, manyCommands[17] = 0xff, manyCommands[18] = 0xff, manyCommands[19] = 0x7f;
    EXPECT_EQ(exercise(manyCommands), 3u);

    // A command of size 0 stops the walk instead of looping on itself.
    MachOBuilder zeroSize(true, false, kX86_64, 3);
    Bytes zeroCommand;
    zeroSize.put32(zeroCommand, 0x1B);
    zeroSize.put32(zeroCommand, 0);
    zeroSize.raw(zeroCommand).uuid(kUUIDA);
    EXPECT_EQ(exercise(zeroSize.bytes()), 0u);

    // A command claiming to be larger than the file.
    MachOBuilder huge(true, false, kX86_64, 3);
    Bytes hugeCommand;
    huge.put32(hugeCommand, 0xC);
    huge.put32(hugeCommand, 0x7fffffff);
    huge.put32(hugeCommand, 12);
    EXPECT_EQ(exercise(huge.raw(hugeCommand).bytes()), 0u);

    // A dylib whose name offset points outside the command, and one whose name has no terminator.
    MachOBuilder badName(true, false, kX86_64, 3);
    Bytes outside, unterminated;
    badName.put32(outside, 0xC);
    badName.put32(outside, 24);
    badName.put32(outside, 4000);
    outside.resize(24, 0);
    badName.put32(unterminated, 0xC);
    badName.put32(unterminated, 32);
    badName.put32(unterminated, 24);
    unterminated.resize(24, 0);
    unterminated.insert(unterminated.end(), 8, 'x');
    HeapImage named(badName.raw(outside).raw(unterminated).bytes());
    CRKMachOSlice slice(named.slices().at(0));
    EXPECT_EQ(slice.linkedDylibs(), std::vector<std::string>{"xxxxxxxx"});

    // Fat entries pointing outside the file, and an entry count far beyond the table.
    Bytes badFat = fat({{kX86_64, 3, thin}});
    badFat[8 + 8] = 0x7f;  // offset
    EXPECT_EQ(exercise(badFat), 0u);
    Bytes manyEntries = fat({{kX86_64, 3, thin}});
    manyEntries[4] = 0xff;
    EXPECT_EQ(exercise(manyEntries), 3u);
    Bytes longEntry = fat({{kX86_64, 3, thin}});
    longEntry[8 + 12] = 0x7f;  // size
    EXPECT_EQ(exercise(longEntry), 3u);
}

TEST_F(CRKMachOFileTest, FilesAreMappedOnlyWhenRegularAndLongEnough) {
    CRKMachOFile file;
    EXPECT_FALSE(CRKMachOFileInitWithPath(&file, writeFile("short", Bytes(15, 0)).c_str()));
    EXPECT_EQ(file.fd, -1);
    EXPECT_FALSE(CRKMachOFileInitWithPath(&file, home().c_str()));
    EXPECT_FALSE(CRKMachOFileInitWithPath(&file, (home() + "/missing").c_str()));
    EXPECT_FALSE(CRKMachOFileInitWithPath(&file, nullptr));
    EXPECT_FALSE(CRKMachOFileInitWithPath(nullptr, home().c_str()));

    const std::string path = writeFile("binary", richThin64());
    ASSERT_TRUE(CRKMachOFileInitWithPath(&file, path.c_str()));
    EXPECT_GE(file.fd, 0);
    EXPECT_EQ(file.mappedSize, richThin64().size());
    CRKMachOFileDestroy(&file);
    EXPECT_EQ(file.fd, -1);
    EXPECT_EQ(file.mappedFile, nullptr);

    // This system's executables are not Mach-O: there is no running Mach-O slice.
    EXPECT_EQ(CRKMachOGetRunningSlice().startAddress, 0u);
    EXPECT_FALSE(CRKMachOFileInitWithCurrentExecutable(&file));
}

TEST_F(CRKMachOFileTest, BinaryObjectsAndTheirInstanceIdentifier) {
    const Bytes x86 = MachOBuilder(true, false, kX86_64, 3).uuid(kUUIDA).bytes();
    const Bytes arm = MachOBuilder(true, false, kARM64, 0).uuid(kUUIDB).bytes();
    auto first =
        CRKMachOBinary::MachOBinaryWithPath(writeFile("a", fat({{kX86_64, 3, x86}, {kARM64, 0, arm}})));
    auto second =
        CRKMachOBinary::MachOBinaryWithPath(writeFile("b", fat({{kARM64, 0, arm}, {kX86_64, 3, x86}})));
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(first->URL(), "file://" + home() + "/a");
    EXPECT_EQ(first->path(), home() + "/a");

    std::vector<std::string> seen;
    first->enumerateUUIDs(
        [&](const std::string& uuid, const std::string& arch) { seen.push_back(arch + "=" + uuid); });
    EXPECT_EQ(seen, (std::vector<std::string>{"x86_64=deadbeef000102030405060708090a0b",
                                              "arm64=112233445566778899aabbccddeeff00"}));
    // Sorted by architecture name: arm64 then x86_64.
    EXPECT_EQ(
        first->instanceIdentifier(),
        CRKMachOBinary::hashNSString("112233445566778899aabbccddeeff00deadbeef000102030405060708090a0b"));
    EXPECT_EQ(first->instanceIdentifier(), second->instanceIdentifier());
    EXPECT_EQ(first->instanceIdentifier().size(), 40u);
    ASSERT_TRUE(first->sliceForArchitecture("arm64"));
    EXPECT_EQ(first->sliceForArchitecture("arm64")->uuid(), "112233445566778899aabbccddeeff00");
    EXPECT_FALSE(first->sliceForArchitecture("ppc"));
    EXPECT_FALSE(CRKMachOBinary::MachOBinaryWithPath(home() + "/missing"));
}

TEST_F(CRKMachOFileTest, DebugSymbolBundles) {
    const std::string bundle = home() + "/App.dSYM";
    ASSERT_EQ(mkdir(bundle.c_str(), 0755), 0);
    EXPECT_FALSE(CRKdSYM::dSYMWithURL("file://" + bundle));
    mkdir((bundle + "/Contents").c_str(), 0755);
    mkdir((bundle + "/Contents/Resources").c_str(), 0755);
    mkdir((bundle + "/Contents/Resources/DWARF").c_str(), 0755);
    EXPECT_FALSE(CRKdSYM::dSYMWithURL("file://" + bundle));

    writeFile("App.dSYM/Contents/Resources/DWARF/App", richThin64());
    const std::string info = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.apple.xcode.dsym.com.example.app</string>
<key>CFBundleVersion</key><string>42</string>
<key>CFBundleShortVersionString</key><string>1.2</string>
</dict></plist>)";
    writeFile("App.dSYM/Contents/Info.plist", Bytes(info.begin(), info.end()));
    auto dsym = CRKdSYM::dSYMWithURL("file://" + bundle);
    ASSERT_TRUE(dsym);
    EXPECT_EQ(dsym->bundle(), bundle);
    EXPECT_EQ(dsym->bundleIdentifier(), "com.example.app");
    EXPECT_EQ(dsym->bundleVersion(), "42");
    EXPECT_EQ(dsym->shortBundleVersion(), "1.2");
    ASSERT_TRUE(dsym->binary());
    EXPECT_EQ(dsym->executablePath(), bundle + "/Contents/Resources/DWARF/App");
    int count = 0;
    dsym->enumerateUUIDs([&](const std::string& uuid, const std::string&) {
        EXPECT_EQ(uuid, "deadbeef000102030405060708090a0b");
        count++;
    });
    EXPECT_EQ(count, 1);

    auto mapping = CRKCodeMapping::mappingWithURL("file:///x");
    mapping->setSource(2);
    EXPECT_EQ(mapping->source(), 2);
    EXPECT_EQ(mapping->URL(), "file:///x");
    EXPECT_FALSE(mapping->sourceName());
}

}  // namespace
