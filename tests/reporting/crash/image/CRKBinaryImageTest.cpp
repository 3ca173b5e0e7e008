#include "reporting/crash/image/CRKBinaryImage.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <link.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <future>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/mach/ImageLoader.h"
#include "platform/storage/Files.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/reporting/crash/capture/CrashProbe.h"
#include "tests/reporting/crash/image/BuildIdentifier.h"
#include "tests/reporting/crash/unwind/UnwindTestSupport.h"
#include "tests/reporting/crash/unwind/chain/UnwindChain.h"

using namespace reporting;

namespace {

struct Record {
    std::string kind;  // "load" or "unload"
    platform::Value fields;
};

std::vector<Record> readRecords(const std::string& path) {
    std::vector<Record> records;
    const auto sections = CRKFileReadSections(path.c_str(), false);
    if (!sections) return records;
    for (const platform::Value& section : *sections) {
        const auto* dictionary = section.dictionary();
        if (!dictionary || dictionary->size() != 1) continue;
        records.push_back({dictionary->begin()->first, dictionary->begin()->second});
    }
    return records;
}

std::string text(const platform::Value& record, const char* key) {
    const auto* s = record[key].string();
    return s ? *s : std::string("<none>");
}

uint64_t number(const platform::Value& record, const char* key) {
    const auto* n = record[key].number();
    return n ? n->unsignedLongLongValue() : 0;
}

// The write calls the whole process has made so far.
uint64_t writeCalls() {
    std::ifstream io("/proc/self/io");
    std::string name;
    uint64_t value = 0;
    while (io >> name >> value) {
        if (name == "syscw:") return value;
    }
    return 0;
}

std::string programPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

class CRKBinaryImageTest : public unwindtest::ImageTableTest {
protected:
    // A copy of the chain library inside a framework-style bundle with an Info.plist.
    std::string installFramework() {
        const std::string bundle = home() + "/Chain.framework";
        const std::string binary = bundle + "/Versions/A/Chain";
        std::filesystem::create_directories(bundle + "/Versions/A");
        std::filesystem::create_directories(bundle + "/Resources");
        std::filesystem::copy_file(KESTRUNE_UNWIND_CHAIN_LIBRARY, binary);
        const std::string plist =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>com.example.chain</string>"
            "<key>CFBundleVersion</key><string>42</string>"
            "<key>CFBundleShortVersionString</key><string></string>"
            "</dict></plist>\n";
        EXPECT_TRUE(platform::Files::writeAtomically(bundle + "/Resources/Info.plist",
                                                     platform::Data::fromString(plist)));
        return binary;
    }
};

TEST_F(CRKBinaryImageTest, LoadedImagesAreFoundByAddressFromTheirHeaderToTheEndOfTheirCode) {
    const auto inProgram = reinterpret_cast<uintptr_t>(&readRecords);
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(inProgram, &slot));
    EXPECT_LE(slot.base, inProgram);
    EXPECT_GT(slot.base + slot.size, inProgram);
    EXPECT_EQ(memcmp(reinterpret_cast<const void*>(slot.base), ELFMAG, SELFMAG), 0);
    EXPECT_EQ(slot.unwindInfo, 0u);
    EXPECT_GE(slot.ehFrame, 4096u);
    CRKBinaryImageSlot past;
    if (CRKBinaryImageSafeFindImageForAddress(slot.base + slot.size, &past)) {
        EXPECT_NE(past.base, slot.base);
    }

    // The shared libraries the program uses, too.
    const auto inLibrary = reinterpret_cast<uintptr_t>(&kestrune_unwind_chain_fp_library_1);
    const auto inC = reinterpret_cast<uintptr_t>(&strlen);
    CRKBinaryImageSlot library;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(inLibrary, &library));
    EXPECT_NE(library.base, slot.base);
    EXPECT_TRUE(CRKBinaryImageSafeFindImageForAddress(inC, &library));

    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(0, &slot));
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(inProgram, nullptr));
    CRKBinaryImageResetForTesting();
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(inProgram, &slot));
}

TEST_F(CRKBinaryImageTest, StartWritesALoadRecordForEveryLoadedImage) {
    const auto records = readRecords(logPath());
    ASSERT_GE(records.size(), 3u);
    const std::string program = programPath();
    bool sawProgram = false;
    bool sawLibraryWithoutIdentifier = false;
    for (const Record& record : records) {
        EXPECT_EQ(record.kind, "load");
        if (text(record.fields, "path") == program) {
            sawProgram = true;
            EXPECT_EQ(text(record.fields, "uuid"), imagetest::buildIdentifierOfFile(program));
            EXPECT_EQ(text(record.fields, "uuid").size(), 32u);
            CRKBinaryImageSlot slot;
            ASSERT_TRUE(
                CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(&readRecords), &slot));
            EXPECT_EQ(number(record.fields, "base"), slot.base);
            EXPECT_EQ(number(record.fields, "size"), slot.size);
            EXPECT_TRUE(record.fields["bundle_id"].isNull());
        }
        // The variant built without frame pointers is also linked without a build identifier.
        if (text(record.fields, "path").find("libkestrune_unwind_chain_nofp") != std::string::npos) {
            sawLibraryWithoutIdentifier = true;
            EXPECT_EQ(text(record.fields, "uuid"), "");
        }
    }
    EXPECT_TRUE(sawProgram);
    EXPECT_TRUE(sawLibraryWithoutIdentifier);
    // The initial burst's file is closed once it is written.
    EXPECT_FALSE(CRKFileIsOpen(&writable()->binaryImageFile));
}

// Something that is not a regular file in the log's place (a pipe another process reads, a link to a
// file the kit does not own) is neither removed nor written: the kit only resets files of its own.
TEST_F(CRKBinaryImageTest, StartLeavesAPipeOrALinkInTheLogsPlaceAlone) {
    const std::string target = home() + "/not-the-kits.txt";
    ASSERT_TRUE(platform::Files::writeAtomically(target, platform::Data::fromString("keep me")));
    struct Case {
        const char* name;
        std::function<bool(const std::string&)> make;
    };
    const Case cases[] = {
        {"fifo", [](const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; }},
        {"symlink", [&](const std::string& p) { return symlink(target.c_str(), p.c_str()) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = home() + "/" + c.name + ".crkrecord";
        ASSERT_TRUE(c.make(path));
        struct stat before;
        ASSERT_EQ(lstat(path.c_str(), &before), 0);
        reporting::CRKBinaryImageResetForTesting();
        CRKWritableContext context{};
        CRKBinaryImageInit(path.c_str(), &context);
        runUntilIdle();
        struct stat after;
        ASSERT_EQ(lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        EXPECT_FALSE(CRKFileIsOpen(&context.binaryImageFile));
        reporting::CRKBinaryImageResetForTesting();
    }
    EXPECT_EQ(platform::Files::read(target)->toString(), "keep me");
    EXPECT_FALSE(CRKUnlinkIfExists("/dev/null"));
    struct stat null;
    ASSERT_EQ(stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
}

// A plain dlopen and dlclose, made by no one who tells the table: the end of the next pass of the main
// run loop has the loader's list read again, which finds each.
TEST_F(CRKBinaryImageTest, ALoadAndAnUnloadAreTrackedAndRecordedAtTheEndOfTheNextRunLoopPass) {
    const std::string binary = installFramework();
    const size_t before = readRecords(logPath()).size();
    void* handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    void* symbol = dlsym(handle, "kestrune_unwind_chain_fp_library_1");
    ASSERT_NE(symbol, nullptr);
    ASSERT_NE(symbol, reinterpret_cast<void*>(&kestrune_unwind_chain_fp_library_1));
    platform::RunLoop::main().runOnce();
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(symbol), &slot));
    const uintptr_t base = slot.base;
    runUntilIdle();

    auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 1);
    const Record& load = records.back();
    EXPECT_EQ(load.kind, "load");
    EXPECT_EQ(text(load.fields, "path"), binary);
    EXPECT_EQ(text(load.fields, "bundle_id"), "com.example.chain");
    EXPECT_EQ(text(load.fields, "build_version"), "42");
    EXPECT_TRUE(load.fields["display_version"].isNull());  // empty: left out
    EXPECT_EQ(text(load.fields, "uuid"), imagetest::buildIdentifierOfFile(binary));
    EXPECT_EQ(number(load.fields, "base"), base);

    EXPECT_EQ(dlclose(handle), 0);
    platform::RunLoop::main().runOnce();
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(symbol), &slot));
    runUntilIdle();
    records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 2);
    const Record& unload = records.back();
    EXPECT_EQ(unload.kind, "unload");
    EXPECT_EQ(text(unload.fields, "path"), binary);
    EXPECT_EQ(number(unload.fields, "base"), base);
    EXPECT_TRUE(unload.fields["bundle_id"].isNull());

    // Nothing moved since: a re-scan finds nothing to record.
    CRKBinaryImageRescanIfNeeded();
    runUntilIdle();
    EXPECT_EQ(readRecords(logPath()).size(), before + 2);
}

// Each record goes to the file in one write as soon as it is complete: the start-up burst costs a write
// per image, and a record written while the handle stays open (as it does through the burst) is
// already whole in the file, so a crash in the middle of the burst leaves every earlier record readable.
TEST_F(CRKBinaryImageTest, EachRecordReachesTheFileWholeInOneWrite) {
    const std::string burst = home() + "/burst.crkrecord";
    CRKBinaryImageResetForTesting();
    CRKWritableContext context{};
    const uint64_t before = writeCalls();
    ASSERT_GT(before, 0u);
    CRKBinaryImageInit(burst.c_str(), &context);
    runUntilIdle();
    const uint64_t calls = writeCalls() - before;
    const size_t images = readRecords(burst).size();
    ASSERT_GE(images, 3u);
    EXPECT_LE(calls, images + 4) << images << " records";
    CRKBinaryImageResetForTesting();

    CRKBinaryImageInit(logPath().c_str(), writable());
    runUntilIdle();
    const size_t recorded = readRecords(logPath()).size();
    ASSERT_TRUE(CRKFileInitWithPath(&writable()->binaryImageFile, logPath().c_str(), true));
    const std::string binary = installFramework();
    void* handle = platform::mach::ImageLoader::load(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    runUntilIdle();
    EXPECT_TRUE(CRKFileIsOpen(&writable()->binaryImageFile));
    const auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), recorded + 1);
    EXPECT_EQ(records.back().kind, "load");
    EXPECT_EQ(text(records.back().fields, "path"), binary);
    EXPECT_EQ(text(records.back().fields, "uuid"), imagetest::buildIdentifierOfFile(binary));
    EXPECT_EQ(platform::Files::read(logPath())->toString().back(), '\n');
    ASSERT_TRUE(CRKFileClose(&writable()->binaryImageFile));
    EXPECT_EQ(dlclose(handle), 0);
}

TEST_F(CRKBinaryImageTest, ImageLoadedAgainAtTheSameAddressIsFoundInItsNewSlotUntilUnloaded) {
    std::vector<uint8_t> image(0x1000);
    const auto base = reinterpret_cast<uintptr_t>(image.data());
    ASSERT_TRUE(addImage(base, image.size(), 0x1111));
    ASSERT_TRUE(removeImage(base));
    CRKBinaryImageSlot slot;
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(base + 8, &slot));
    ASSERT_TRUE(addImage(base, image.size(), 0x2222));
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(base + 8, &slot));
    EXPECT_EQ(slot.unwindInfo, 0x2222u);
    EXPECT_TRUE(CRKBinaryImageHasCompactUnwindInfo(&slot));
    // The second unload clears the second slot, not the first one again.
    ASSERT_TRUE(removeImage(base));
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(base + 8, &slot));
    ASSERT_TRUE(addImage(base, 0x10, 0x3333));
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(base + 8, &slot));
    EXPECT_EQ(slot.unwindInfo, 0x3333u);
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(base + 0x10, &slot));
    EXPECT_FALSE(removeImage(base + 1));  // not a tracked image
    // An image whose unload nobody read before another was loaded in its place (as the walk at crash
    // time leaves it): the later one is the one found.
    ASSERT_TRUE(addImage(base + 0x100, 0x100, 0x4444));
    ASSERT_TRUE(addImage(base + 0x100, 0x100, 0x5555));
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(base + 0x108, &slot));
    EXPECT_EQ(slot.unwindInfo, 0x5555u);
}

TEST_F(CRKBinaryImageTest, LoadsPastTheLastSlotAreNotTrackedButStillRecorded) {
    std::vector<uint8_t> image(0x1000);
    const auto base = reinterpret_cast<uintptr_t>(image.data());
    while (addImage(base, 0x10)) {
    }
    EXPECT_NE(writable()->binaryImages[CRKBinaryImageSlotCount - 1].base, 0u);
    const size_t before = readRecords(logPath()).size();
    void* handle = platform::mach::ImageLoader::load(installFramework().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    void* symbol = dlsym(handle, "kestrune_unwind_chain_fp_library_1");
    CRKBinaryImageSlot slot;
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(symbol), &slot));
    runUntilIdle();
    const auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 1);
    EXPECT_EQ(records.back().kind, "load");
    dlclose(handle);
}

TEST_F(CRKBinaryImageTest, ImageIsFoundByItsIdentifier) {
    const std::string uuid = imagetest::buildIdentifierOfFile(programPath());
    ASSERT_EQ(uuid.size(), 32u);
    CRKBinaryImageDetails details{};
    ASSERT_TRUE(CRKBinaryImageFindImageForUUID(uuid.c_str(), &details));
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(&readRecords), &slot));
    EXPECT_EQ(details.loadAddress, slot.base);
    EXPECT_EQ(details.textSize, slot.size);
    EXPECT_EQ(std::string(details.uuid), uuid);
    EXPECT_GE(details.ehFrameHeader, details.loadAddress);
    EXPECT_GT(details.ehFrameHeaderEnd, details.ehFrameHeader);
    EXPECT_FALSE(CRKBinaryImageFindImageForUUID("00000000000000000000000000000000", &details));
    EXPECT_FALSE(CRKBinaryImageFindImageForUUID(nullptr, &details));
}

TEST_F(CRKBinaryImageTest, ExecutableSectionDescribesTheRunningProgram) {
    const std::string path = home() + "/metadata.crkrecord";
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, path.c_str(), false));
    EXPECT_TRUE(CRKBinaryImageRecordMainExecutable(&file));
    CRKFileClose(&file);
    const auto records = readRecords(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, "executable");
    const platform::Value& executable = records[0].fields;
    EXPECT_EQ(text(executable, "architecture"), "x86_64");
    EXPECT_EQ(text(executable, "uuid"), imagetest::buildIdentifierOfFile(programPath()));
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(&readRecords), &slot));
    EXPECT_EQ(number(executable, "base"), slot.base);
    EXPECT_EQ(number(executable, "size"), slot.size);
    ASSERT_TRUE(executable["encrypted"].number());
    EXPECT_FALSE(executable["encrypted"].number()->boolValue());
    EXPECT_EQ(text(executable, "minimum_sdk_version"), "0.0.0");
    EXPECT_EQ(text(executable, "built_sdk_version"), "0.0.0");
}

}  // namespace

namespace {

// A library loaded with a plain dlopen made by another library: the program's own load of the outer one
// has the loader's list read at once, which the inner one's load has not, so the next reading (here
// asked for, as the main run loop does after each pass) tells the table; its record follows once the
// queue has run. Its unload clears the slot and is recorded too.
TEST_F(CRKBinaryImageTest, ALibraryLoadedByAnotherLibraryAfterStartIsTrackedAndRecorded) {
    const size_t before = readRecords(logPath()).size();
    void* outer = platform::mach::ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    auto load = reinterpret_cast<void* (*)(const char*)>(dlsym(outer, "kestrune_loader_outer_load"));
    auto unload = reinterpret_cast<int (*)(void*)>(dlsym(outer, "kestrune_loader_outer_unload"));
    ASSERT_TRUE(load && unload);
    void* inner = load(KESTRUNE_LOADER_INNER);
    ASSERT_NE(inner, nullptr) << dlerror();
    CRKBinaryImageRescanIfNeeded();
    const auto fault = reinterpret_cast<uintptr_t>(dlsym(inner, "kestrune_loader_inner_fault"));
    ASSERT_NE(fault, 0u);
    Dl_info info;
    ASSERT_TRUE(dladdr(reinterpret_cast<void*>(fault), &info));
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(fault, &slot));
    EXPECT_EQ(slot.base, reinterpret_cast<uintptr_t>(info.dli_fbase));
    CRKBinaryImageUnwindSections sections{};
    ASSERT_TRUE(CRKBinaryImageSafeFindUnwindSectionsForAddress(fault, &slot, &sections));
    EXPECT_GE(sections.ehFrameHeader, slot.base);

    runUntilIdle();
    auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 2);
    EXPECT_EQ(records[before].kind, "load");
    EXPECT_EQ(text(records[before].fields, "path"), KESTRUNE_LOADER_OUTER);
    EXPECT_EQ(records[before + 1].kind, "load");
    EXPECT_EQ(text(records[before + 1].fields, "path"), KESTRUNE_LOADER_INNER);
    EXPECT_EQ(text(records[before + 1].fields, "uuid"),
              imagetest::buildIdentifierOfFile(KESTRUNE_LOADER_INNER));
    EXPECT_EQ(number(records[before + 1].fields, "base"), slot.base);
    EXPECT_EQ(number(records[before + 1].fields, "size"), slot.size);

    EXPECT_EQ(unload(inner), 0);
    CRKBinaryImageRescanIfNeeded();
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(fault, &slot));
    EXPECT_EQ(dlclose(outer), 0);
    CRKBinaryImageRescanIfNeeded();
    runUntilIdle();
    records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 4);
    EXPECT_EQ(records[before + 2].kind, "unload");
    EXPECT_EQ(text(records[before + 2].fields, "path"), KESTRUNE_LOADER_INNER);
    EXPECT_EQ(records[before + 3].kind, "unload");
    EXPECT_EQ(text(records[before + 3].fields, "path"), KESTRUNE_LOADER_OUTER);
}

}  // namespace

namespace {

std::vector<Record> recordsOf(const std::vector<Record>& records, const std::string& kind,
                              const std::string& path) {
    std::vector<Record> found;
    for (const Record& record : records) {
        if (record.kind == kind && text(record.fields, "path") == path) found.push_back(record);
    }
    return found;
}

uintptr_t headerOf(void* symbol) {
    Dl_info info;
    return dladdr(symbol, &info) ? reinterpret_cast<uintptr_t>(info.dli_fbase) : 0;
}

// Loads nobody has read yet, as at a crash a moment after them: the walk of the loader's list gives each
// its slot, with the unwind sections a normal reading finds, and its record at once. Walking again adds
// nothing, nor does the normal reading that comes later. Once unloaded, the walk (which may find a
// damaged list) leaves their slots; the next normal reading clears them.
TEST_F(CRKBinaryImageTest, TheWalkAtCrashTimeTracksAndRecordsLoadsNobodyReadAndRemovesNothing) {
    const size_t before = readRecords(logPath()).size();
    void* outer = dlopen(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    auto load = reinterpret_cast<void* (*)(const char*)>(dlsym(outer, "kestrune_loader_outer_load"));
    ASSERT_NE(load, nullptr);
    void* inner = load(KESTRUNE_LOADER_INNER);
    ASSERT_NE(inner, nullptr) << dlerror();
    void* fault = dlsym(inner, "kestrune_loader_inner_fault");
    void* crash = dlsym(outer, "kestrune_loader_outer_crash");
    ASSERT_TRUE(fault && crash);

    CRKBinaryImageSafeSyncWithLoader();
    const auto records = readRecords(logPath());
    for (const auto& [path, symbol] : {std::pair{std::string(KESTRUNE_LOADER_INNER), fault},
                                       std::pair{std::string(KESTRUNE_LOADER_OUTER), crash}}) {
        SCOPED_TRACE(path);
        CRKBinaryImageSlot slot;
        CRKBinaryImageUnwindSections sections{};
        ASSERT_TRUE(CRKBinaryImageSafeFindUnwindSectionsForAddress(reinterpret_cast<uintptr_t>(symbol), &slot,
                                                                   &sections));
        CRKBinaryImageDetails expected{};
        expected.slice.startAddress = headerOf(symbol);
        expected.slide = intptr_t(expected.slice.startAddress);
        CRKBinaryImageFillInImageDetails(&expected);
        EXPECT_EQ(slot.base, expected.loadAddress);
        EXPECT_EQ(slot.size, expected.textSize);
        EXPECT_EQ(sections.ehFrameHeader, expected.ehFrameHeader);
        EXPECT_EQ(sections.ehFrame, expected.ehFrame);
        EXPECT_NE(sections.ehFrame, 0u);
        const auto loads = recordsOf(records, "load", path);
        ASSERT_EQ(loads.size(), 1u);
        EXPECT_EQ(text(loads[0].fields, "uuid"), imagetest::buildIdentifierOfFile(path));
        EXPECT_EQ(number(loads[0].fields, "base"), slot.base);
        EXPECT_EQ(number(loads[0].fields, "size"), slot.size);
    }
    EXPECT_EQ(records.size(), before + 2);

    CRKBinaryImageSafeSyncWithLoader();
    CRKBinaryImageRescanIfNeeded();
    runUntilIdle();
    EXPECT_EQ(readRecords(logPath()).size(), before + 2);
    size_t slotsOfInner = 0;
    for (const CRKBinaryImageSlot& slot : writable()->binaryImages)
        slotsOfInner += slot.base == headerOf(fault) && slot.size > 0;
    EXPECT_EQ(slotsOfInner, 1u);

    EXPECT_EQ(dlclose(inner), 0);
    EXPECT_EQ(dlclose(outer), 0);
    CRKBinaryImageSafeSyncWithLoader();
    CRKBinaryImageSlot slot;
    EXPECT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(fault), &slot));
    CRKBinaryImageRescanIfNeeded();
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(fault), &slot));
    EXPECT_FALSE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(crash), &slot));
    // The program and its libraries stay.
    EXPECT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(&readRecords), &slot));
    EXPECT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(&strlen), &slot));
}

// A wild write that changed the name the loader's list gives a library the table holds: the walk reads
// the same build at the same place and adds nothing, so the record with the right name stays the only one
// for its addresses (a later one would win them).
TEST_F(CRKBinaryImageTest, TheWalkAddsNoRecordForAHeldLibraryWhoseListedNameWasDamaged) {
    void* outer = platform::mach::ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    runUntilIdle();
    const size_t before = readRecords(logPath()).size();
    link_map* entry = nullptr;
    ASSERT_EQ(dlinfo(outer, RTLD_DI_LINKMAP, &entry), 0);
    char damaged[] = "/nowhere/libdamaged.so";
    char* const name = entry->l_name;
    entry->l_name = damaged;
    CRKBinaryImageSafeSyncWithLoader();
    entry->l_name = name;
    const auto records = readRecords(logPath());
    EXPECT_EQ(records.size(), before);
    EXPECT_TRUE(recordsOf(records, "load", damaged).empty());
    EXPECT_EQ(dlclose(outer), 0);
}

// Writes another build over a plugin's path as a build or an update does: a new file renamed over it.
bool replaceWith(const std::string& build, const std::string& path) {
    const auto bytes = platform::Files::read(build);
    return bytes && platform::Files::writeAtomically(path, *bytes);
}

// The ways a user's tools put another build over a plugin's file: a new file renamed over it (a build, an
// update), the old file truncated and written again (cp: the file keeps its inode), or the old file
// removed and a new one written (install, cp --remove-destination, the linker: the new file often gets
// the freed inode).
enum class Replacement { RenamedOver, WrittenInPlace, RemovedAndWrittenAnew };

const char* nameOf(Replacement way) {
    switch (way) {
        case Replacement::RenamedOver:
            return "renamed-over";
        case Replacement::WrittenInPlace:
            return "written-in-place";
        case Replacement::RemovedAndWrittenAnew:
            return "removed-and-written-anew";
    }
    return "?";
}

bool writeInto(const std::string& build, const std::string& path, int flags) {
    const auto bytes = platform::Files::read(build);
    const int file = bytes ? open(path.c_str(), O_WRONLY | flags, 0600) : -1;
    if (file < 0) return false;
    const bool written = write(file, bytes->bytes(), bytes->size()) == ssize_t(bytes->size());
    return close(file) == 0 && written;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const std::string& path) {
    struct stat file;
    return stat(path.c_str(), &file) == 0 ? FileIdentity{file.st_dev, file.st_ino} : FileIdentity{};
}

// From the header of a loaded image to the end of its last segment, in whole pages.
size_t mappedSpan(uintptr_t header) {
    const auto* elf = reinterpret_cast<const ElfW(Ehdr)*>(header);
    const auto* segments = reinterpret_cast<const ElfW(Phdr)*>(header + elf->e_phoff);
    uintptr_t end = 0;
    for (int i = 0; i < elf->e_phnum; i++) {
        if (segments[i].p_type == PT_LOAD) end = std::max(end, segments[i].p_vaddr + segments[i].p_memsz);
    }
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    return (end + page - 1) / page * page;
}

// Opens a plugin build where a build just closed lay (`header`): the loader maps it into the hole the
// closed one left. Null, with a failure recorded, when it lies elsewhere.
void* openWhereItLay(const std::string& path, uintptr_t header) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
    if (handle && headerOf(dlsym(handle, "kestrune_same_layout_write")) != header) {
        ADD_FAILURE() << "the new build was not opened where the old one lay";
        dlclose(handle);
        handle = nullptr;
    }
    return handle;
}

// A plugin the table heard of, closed; another build of it written over its file and opened where the
// old one lay, the table not told yet. The handle of the open build, or null (with a failure recorded).
struct Rebuilt {
    std::string path;
    void* handle = nullptr;
    uintptr_t header = 0;
    bool sameFile = false;  // the new build's file has the old one's device and inode
};

// The plugin's first build written at `folder`/libplugin.so and opened the program's way, so that the
// table holds it, with its record written.
Rebuilt openFirstBuild(const std::string& folder, const char* firstBuild) {
    Rebuilt rebuilt{folder + "/libplugin.so"};
    EXPECT_TRUE(replaceWith(firstBuild, rebuilt.path));
    rebuilt.handle = platform::mach::ImageLoader::load(rebuilt.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(rebuilt.handle, nullptr) << dlerror();
    if (!rebuilt.handle) return rebuilt;
    rebuilt.header = headerOf(dlsym(rebuilt.handle, "kestrune_same_layout_write"));
    // The old build's record written first: no other thread then maps memory (into the hole the old
    // build leaves, say) while the new one is opened.
    platform::RunLoop::main().runUntilIdle();
    return rebuilt;
}

// Closes the open build, writes `newBuild` over its file the given way and opens it where the old one lay.
void reopenAsAnotherBuild(Rebuilt* rebuilt, const char* newBuild, Replacement way) {
    const FileIdentity old = identityOf(rebuilt->path);
    // Renamed over: the new file is made while the old one is still there, as a build makes it.
    if (way == Replacement::RenamedOver) {
        EXPECT_TRUE(replaceWith(newBuild, rebuilt->path + ".next"));
    }
    const size_t span = mappedSpan(rebuilt->header);
    EXPECT_EQ(dlclose(rebuilt->handle), 0);
    rebuilt->handle = nullptr;
    // The hole the old build leaves is held while the file is replaced, so that no mapping made meanwhile
    // (a large allocation) takes it.
    void* const held = mmap(reinterpret_cast<void*>(rebuilt->header), span, PROT_NONE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    EXPECT_NE(held, MAP_FAILED) << "the old build is still mapped";
    switch (way) {
        case Replacement::RenamedOver:
            std::filesystem::rename(rebuilt->path + ".next", rebuilt->path);
            break;
        case Replacement::WrittenInPlace:
            EXPECT_TRUE(writeInto(newBuild, rebuilt->path, O_TRUNC));
            break;
        case Replacement::RemovedAndWrittenAnew:
            EXPECT_EQ(unlink(rebuilt->path.c_str()), 0);
            EXPECT_TRUE(writeInto(newBuild, rebuilt->path, O_CREAT | O_EXCL));
            break;
    }
    rebuilt->sameFile = identityOf(rebuilt->path) == old;
    if (held != MAP_FAILED) munmap(held, span);
    rebuilt->handle = openWhereItLay(rebuilt->path, rebuilt->header);
}

Rebuilt openAnotherBuildWhereTheOldOneLay(const std::string& folder, const char* newBuild,
                                          Replacement way = Replacement::RenamedOver,
                                          const char* firstBuild = SAME_LAYOUT_PLUGIN_A) {
    Rebuilt rebuilt = openFirstBuild(folder, firstBuild);
    if (rebuilt.handle) reopenAsAnotherBuild(&rebuilt, newBuild, way);
    return rebuilt;
}

size_t liveSlotsAt(CRKWritableContext* writable, uintptr_t header) {
    size_t live = 0;
    for (const CRKBinaryImageSlot& slot : writable->binaryImages)
        live += slot.base == header && slot.size > 0;
    return live;
}

// The next reading of the loader's list tells the old build's unload and the new one's load: the new
// build's slot covers its code, which here reaches further than the old build's, and its record carries
// its own identifier.
TEST_F(CRKBinaryImageTest, ARebuiltLibraryOpenedWhereTheOldBuildLayIsUnloadedAndLoadedAtTheNextReading) {
    const size_t before = readRecords(logPath()).size();
    const Rebuilt rebuilt = openAnotherBuildWhereTheOldOneLay(home(), SAME_LAYOUT_PLUGIN_C);
    ASSERT_NE(rebuilt.handle, nullptr);
    const auto write = reinterpret_cast<uintptr_t>(dlsym(rebuilt.handle, "kestrune_same_layout_write"));
    platform::RunLoop::main().runOnce();
    runUntilIdle();
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(write, &slot));
    EXPECT_EQ(slot.base, rebuilt.header);
    EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 1u);
    const auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 3);
    EXPECT_EQ(records[before].kind, "load");
    EXPECT_EQ(text(records[before].fields, "uuid"), imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_A));
    EXPECT_EQ(records[before + 1].kind, "unload");
    EXPECT_EQ(records[before + 2].kind, "load");
    EXPECT_EQ(text(records[before + 2].fields, "path"), rebuilt.path);
    EXPECT_EQ(text(records[before + 2].fields, "uuid"),
              imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_C));
    EXPECT_EQ(number(records[before + 2].fields, "base"), rebuilt.header);
    EXPECT_EQ(number(records[before + 2].fields, "size"), slot.size);
    EXPECT_NE(imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_A),
              imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_C));
    EXPECT_EQ(dlclose(rebuilt.handle), 0);
}

// A crash before any reading: the walk tells the new build from the old one the table holds at the same
// header, dynamic section and path by its build, and gives it a slot and a record of its own, however its
// file was replaced: in place the file keeps its device and inode, and a file written anew after the old
// one was removed mostly gets them back on this file system. The reading that comes later (a test that
// goes on) unloads the old build and keeps the walk's slot and record.
TEST_F(CRKBinaryImageTest, TheWalkAtCrashTimeGivesARebuiltLibraryOpenedWhereTheOldBuildLayItsOwnSlot) {
    for (const Replacement way :
         {Replacement::RenamedOver, Replacement::WrittenInPlace, Replacement::RemovedAndWrittenAnew}) {
        SCOPED_TRACE(nameOf(way));
        const std::string folder = home() + "/" + nameOf(way);
        std::filesystem::create_directories(folder);
        const size_t before = readRecords(logPath()).size();
        const Rebuilt rebuilt = openAnotherBuildWhereTheOldOneLay(folder, SAME_LAYOUT_PLUGIN_B, way);
        ASSERT_NE(rebuilt.handle, nullptr);
        SCOPED_TRACE(rebuilt.sameFile ? "the new build's file has the old one's inode"
                                      : "the new build's file has another inode");
        if (way == Replacement::WrittenInPlace) {
            EXPECT_TRUE(rebuilt.sameFile);
        }
        if (way == Replacement::RenamedOver) {
            EXPECT_FALSE(rebuilt.sameFile);
        }
        // The old build's record may still wait on the queue: the walk writes it first.
        CRKBinaryImageSafeSyncWithLoader();
        auto records = readRecords(logPath());
        ASSERT_EQ(records.size(), before + 2);
        EXPECT_EQ(text(records[before].fields, "uuid"),
                  imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_A));
        EXPECT_EQ(records.back().kind, "load");
        EXPECT_EQ(text(records.back().fields, "path"), rebuilt.path);
        EXPECT_EQ(text(records.back().fields, "uuid"),
                  imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_B));
        EXPECT_EQ(number(records.back().fields, "base"), rebuilt.header);
        EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 2u);
        // Walking again finds both builds in the table.
        CRKBinaryImageSafeSyncWithLoader();
        EXPECT_EQ(readRecords(logPath()).size(), before + 2);

        platform::RunLoop::main().runOnce();
        runUntilIdle();
        records = readRecords(logPath());
        ASSERT_EQ(records.size(), before + 3);
        EXPECT_EQ(records.back().kind, "unload");
        EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 1u);
        EXPECT_EQ(dlclose(rebuilt.handle), 0);
        // Its unload read now, so that the next way starts from a table that holds no plugin.
        CRKBinaryImageRescanIfNeeded();
        runUntilIdle();
        EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 0u);
    }
}

// A library the table heard of through the loader's add callback alone, which says nothing of its file:
// the walk then tells the new build from the old one by the first bytes of the slot's build-id, read
// where the old build kept them.
TEST_F(CRKBinaryImageTest, TheWalkTellsARebuiltLibraryByItsBuildWhereItsFileIsNotKnown) {
    const std::string path = home() + "/libplugin.so";
    ASSERT_TRUE(replaceWith(SAME_LAYOUT_PLUGIN_A, path));
    void* first = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(first, nullptr) << dlerror();
    const uintptr_t header = headerOf(dlsym(first, "kestrune_same_layout_write"));
    CRKBinaryImageAddCallback(header, intptr_t(header));
    runUntilIdle();
    const size_t before = readRecords(logPath()).size();
    // Only the callback's slot holds the library: the walk finds it there and adds nothing.
    CRKBinaryImageSafeSyncWithLoader();
    EXPECT_EQ(readRecords(logPath()).size(), before);

    ASSERT_TRUE(replaceWith(SAME_LAYOUT_PLUGIN_B, path + ".next"));
    ASSERT_EQ(dlclose(first), 0);
    std::filesystem::rename(path + ".next", path);
    void* second = openWhereItLay(path, header);
    ASSERT_NE(second, nullptr);
    CRKBinaryImageSafeSyncWithLoader();
    const auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 1);
    EXPECT_EQ(text(records.back().fields, "uuid"), imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_B));
    EXPECT_EQ(liveSlotsAt(writable(), header), 2u);
    CRKBinaryImageRemoveCallback(header, intptr_t(header));
    CRKBinaryImageRescanIfNeeded();
    EXPECT_EQ(dlclose(second), 0);
    CRKBinaryImageRescanIfNeeded();
}

// Libraries without a build-id: another one, from another path, opened where a closed one lay is another
// image to the walk, by its file where the table knows the closed one's, else by its name (a library the
// table heard of through the add callback alone); it gets a slot and a record of its own, with no
// identifier. The walk has no build to compare, so neither an empty identifier nor a name may pass for
// the closed one's.
TEST_F(CRKBinaryImageTest, TheWalkTellsALibraryWithoutABuildIDFromAnotherPathByItsFileOrItsName) {
    ASSERT_EQ(imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLAIN_A), "");
    ASSERT_EQ(imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLAIN_B), "");
    for (const bool fileKnown : {true, false}) {
        SCOPED_TRACE(fileKnown ? "the table knows the closed library's file"
                               : "heard of by the add callback");
        void* first = fileKnown
                          ? platform::mach::ImageLoader::load(SAME_LAYOUT_PLAIN_A, RTLD_NOW | RTLD_LOCAL)
                          : dlopen(SAME_LAYOUT_PLAIN_A, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(first, nullptr) << dlerror();
        const uintptr_t header = headerOf(dlsym(first, "kestrune_same_layout_write"));
        if (!fileKnown) CRKBinaryImageAddCallback(header, intptr_t(header));
        runUntilIdle();
        const size_t before = readRecords(logPath()).size();
        ASSERT_EQ(dlclose(first), 0);
        void* second = openWhereItLay(SAME_LAYOUT_PLAIN_B, header);
        ASSERT_NE(second, nullptr);
        CRKBinaryImageSafeSyncWithLoader();
        const auto records = readRecords(logPath());
        ASSERT_EQ(records.size(), before + 1);
        EXPECT_EQ(records.back().kind, "load");
        EXPECT_EQ(text(records.back().fields, "path"), SAME_LAYOUT_PLAIN_B);
        EXPECT_EQ(text(records.back().fields, "uuid"), "");
        EXPECT_EQ(liveSlotsAt(writable(), header), 2u);
        // A reading before the open one is closed, so that the table holds neither once it is.
        if (!fileKnown) CRKBinaryImageRemoveCallback(header, intptr_t(header));
        CRKBinaryImageRescanIfNeeded();
        runUntilIdle();
        EXPECT_EQ(dlclose(second), 0);
        CRKBinaryImageRescanIfNeeded();
        runUntilIdle();
        EXPECT_EQ(liveSlotsAt(writable(), header), 0u);
    }
}

// A library without a build-id, another build of it renamed over its path and opened where the old build
// lay: the walk tells the two apart by their files' device and inode. The new build gets a slot of its own
// after the old build's, so that the unwinder finds its size and unwind sections for its addresses, and
// one record; walking again finds it in that slot and writes nothing more.
TEST_F(CRKBinaryImageTest, TheWalkGivesALibraryWithoutABuildIDRenamedOverItsPathASlotOfItsOwn) {
    const Rebuilt rebuilt = openAnotherBuildWhereTheOldOneLay(home(), SAME_LAYOUT_PLAIN_B,
                                                              Replacement::RenamedOver, SAME_LAYOUT_PLAIN_A);
    ASSERT_NE(rebuilt.handle, nullptr);
    ASSERT_FALSE(rebuilt.sameFile);
    const size_t before = readRecords(logPath()).size();
    CRKBinaryImageSafeSyncWithLoader();
    const auto records = readRecords(logPath());
    ASSERT_EQ(records.size(), before + 1);
    EXPECT_EQ(records.back().kind, "load");
    EXPECT_EQ(text(records.back().fields, "path"), rebuilt.path);
    EXPECT_EQ(text(records.back().fields, "uuid"), "");
    EXPECT_EQ(number(records.back().fields, "base"), rebuilt.header);
    EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 2u);
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(
        reinterpret_cast<uintptr_t>(dlsym(rebuilt.handle, "kestrune_same_layout_write")), &slot));
    EXPECT_EQ(slot.base, rebuilt.header);
    EXPECT_EQ(number(records.back().fields, "size"), slot.size);

    CRKBinaryImageSafeSyncWithLoader();
    EXPECT_EQ(readRecords(logPath()).size(), before + 1);
    EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 2u);
    EXPECT_EQ(dlclose(rebuilt.handle), 0);
    CRKBinaryImageRescanIfNeeded();
    runUntilIdle();
}

// The loader's list as the walk reads it (the first namespace, from the program on).
link_map* listHead() {
    link_map* entry = nullptr;
    void* program = dlopen(nullptr, RTLD_NOW);
    if (program) {
        dlinfo(program, RTLD_DI_LINKMAP, &entry);
        dlclose(program);
    }
    while (entry && entry->l_prev) entry = entry->l_prev;
    return entry;
}

size_t listedObjects() {
    size_t count = 0;
    for (const link_map* entry = listHead(); entry; entry = entry->l_next) count++;
    return count;
}

// Where the library lies in the loader's list, the program at 0.
size_t listPosition(void* handle) {
    link_map* entry = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &entry) != 0) return SIZE_MAX;
    size_t position = 0;
    for (; entry && entry->l_prev; entry = entry->l_prev) position++;
    return position;
}

// Copies of the loader's small test library, each a file of its own, opened with a plain dlopen (nobody
// tells the table).
struct Copies {
    std::vector<std::pair<std::string, void*>> opened;

    // Opens more until the loader lists `objects` objects.
    bool openUntilListed(const std::string& folder, size_t objects) {
        while (listedObjects() < objects) {
            const std::string path = folder + "/libcopy-" + std::to_string(opened.size()) + ".so";
            std::error_code failed;
            if (!std::filesystem::copy_file(KESTRUNE_LOADER_INNER, path, failed)) return false;
            void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) return false;
            opened.emplace_back(path, handle);
        }
        return listedObjects() == objects;
    }
    void closeAll() {
        for (const auto& copy : opened) EXPECT_EQ(dlclose(copy.second), 0);
        opened.clear();
    }
    ~Copies() { closeAll(); }
};

// The walk takes the loader's list a batch of 64 objects at a time, the build-id bytes of a batch in one
// kernel copy. Lists of 63, 64 and 127 objects, most of them libraries nobody told the table of, with a
// plugin rebuilt in place (its file keeps its inode, so its build decides) listed last of a batch or first
// of the next: each library new to the table gets its slot and one record, the plugin's new build a slot
// and a record of its own, and walking again adds nothing. Where the process already lists more objects
// (the libraries earlier tests of the program left open), the same arrangements are made one batch on.
// One arrangement a test: the four took half a minute of processor time under the thread sanitizer alone,
// where each library opened costs the sanitizer a reading of its own.
class TheWalkOfAListPastABatch : public CRKBinaryImageTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(TheWalkOfAListPastABatch, TakesEveryObject) {
    constexpr size_t kBatch = CRKSafeMemoryReader::kRangesPerCopy;
    struct Arrangement {
        size_t objects;
        size_t plugin;  // where the plugin lies in the list
    };
    // The first batch boundary that leaves room before it for the plugin: it goes at the end of the list.
    const size_t boundary = (listedObjects() + 1 + kBatch) / kBatch * kBatch;
    const Arrangement arrangements[] = {
        Arrangement{boundary - 1, boundary - 2}, Arrangement{boundary, boundary - 1},
        Arrangement{boundary + kBatch - 1, boundary - 1}, Arrangement{boundary + kBatch - 1, boundary}};
    ASSERT_LT(GetParam(), std::size(arrangements));
    {
        const Arrangement arrangement = arrangements[GetParam()];
        const std::string name =
            std::to_string(arrangement.objects) + "-objects-plugin-at-" + std::to_string(arrangement.plugin);
        SCOPED_TRACE(name);
        const std::string folder = home() + "/" + name;
        std::filesystem::create_directories(folder);
        Rebuilt rebuilt = openFirstBuild(folder, SAME_LAYOUT_PLUGIN_A);
        ASSERT_NE(rebuilt.handle, nullptr);
        Copies copies;
        ASSERT_TRUE(copies.openUntilListed(folder, arrangement.plugin + 1)) << listedObjects() << " listed";
        reopenAsAnotherBuild(&rebuilt, SAME_LAYOUT_PLUGIN_B, Replacement::WrittenInPlace);
        ASSERT_NE(rebuilt.handle, nullptr);
        ASSERT_TRUE(rebuilt.sameFile);
        ASSERT_EQ(listPosition(rebuilt.handle), arrangement.plugin);
        ASSERT_TRUE(copies.openUntilListed(folder, arrangement.objects));

        const size_t before = readRecords(logPath()).size();
        CRKBinaryImageSafeSyncWithLoader();
        const auto records = readRecords(logPath());
        ASSERT_EQ(records.size(), before + copies.opened.size() + 1);
        for (const auto& [path, handle] : copies.opened) {
            SCOPED_TRACE(path);
            const auto loads = recordsOf(records, "load", path);
            ASSERT_EQ(loads.size(), 1u);
            void* fault = dlsym(handle, "kestrune_loader_inner_fault");
            CRKBinaryImageSlot slot;
            ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(fault), &slot));
            EXPECT_EQ(slot.base, headerOf(fault));
            EXPECT_EQ(number(loads[0].fields, "base"), slot.base);
        }
        const auto plugin = recordsOf(records, "load", rebuilt.path);
        ASSERT_EQ(plugin.size(), 2u);
        EXPECT_EQ(text(plugin.back().fields, "uuid"), imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_B));
        EXPECT_EQ(liveSlotsAt(writable(), rebuilt.header), 2u);
        CRKBinaryImageSafeSyncWithLoader();
        EXPECT_EQ(readRecords(logPath()).size(), records.size());

        // Read, then gone, so that a later test of the program starts from the list this one began with.
        CRKBinaryImageRescanIfNeeded();
        EXPECT_EQ(dlclose(rebuilt.handle), 0);
        copies.closeAll();
        CRKBinaryImageRescanIfNeeded();
        runUntilIdle();
    }
}

INSTANTIATE_TEST_SUITE_P(Arrangements, TheWalkOfAListPastABatch, ::testing::Range<size_t>(0, 4));

// A damaged list for the walk to read, standing in the loader's for as long as it lives: copies of the
// given entries of the loader's list, in that order, each naming the next. The copies reach as far as the
// walk reads an entry (the file's device and inode, where the loader keeps them).
class CraftedList {
public:
    explicit CraftedList(const std::vector<link_map*>& entries) {
        const size_t length = std::max(
            sizeof(link_map), platform::mach::ImageLoader::entryFileIdentityOffset() + 2 * sizeof(uint64_t));
        for (const link_map* entry : entries) {
            copies_.emplace_back((length + sizeof(uint64_t) - 1) / sizeof(uint64_t));
            memcpy(copies_.back().data(), entry, length);
        }
        for (size_t i = 0; i < copies_.size(); i++) {
            entry(i)->l_prev = i > 0 ? entry(i - 1) : nullptr;
            entry(i)->l_next = i + 1 < copies_.size() ? entry(i + 1) : nullptr;
        }
        for (const ElfW(Dyn)* dynamic = _DYNAMIC; dynamic->d_tag != DT_NULL; dynamic++) {
            if (dynamic->d_tag == DT_DEBUG) debug_ = reinterpret_cast<r_debug*>(dynamic->d_un.d_ptr);
        }
        EXPECT_NE(debug_, nullptr);
        if (!debug_ || copies_.empty()) return;
        saved_ = debug_->r_map;
        debug_->r_map = entry(0);
    }
    ~CraftedList() {
        if (saved_) debug_->r_map = saved_;
    }
    CraftedList(const CraftedList&) = delete;
    CraftedList& operator=(const CraftedList&) = delete;

private:
    link_map* entry(size_t i) { return reinterpret_cast<link_map*>(copies_[i].data()); }

    std::vector<std::vector<uint64_t>> copies_;
    r_debug* debug_ = nullptr;
    link_map* saved_ = nullptr;
};

// A damaged list that names one library twice in one batch, the table not told of it: it gets one slot
// and one record. The second naming is checked against the slot the first one got, with or without a
// build-id (without one, nothing but that check tells it from a library still to be recorded).
TEST_F(CRKBinaryImageTest, ALibraryADamagedListNamesTwiceInOneBatchGetsOneSlotAndOneRecord) {
    for (const char* library : {SAME_LAYOUT_PLAIN_A, KESTRUNE_LOADER_INNER}) {
        SCOPED_TRACE(library);
        void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        const bool plain = library == std::string(SAME_LAYOUT_PLAIN_A);
        const auto symbol = reinterpret_cast<uintptr_t>(
            dlsym(handle, plain ? "kestrune_same_layout_write" : "kestrune_loader_inner_fault"));
        ASSERT_NE(symbol, 0u);
        CRKBinaryImageSlot slot;
        ASSERT_FALSE(CRKBinaryImageSafeFindImageForAddress(symbol, &slot)) << "the table holds it already";
        link_map* named = nullptr;
        ASSERT_EQ(dlinfo(handle, RTLD_DI_LINKMAP, &named), 0);
        std::vector<link_map*> entries;
        for (link_map* entry = listHead(); entry; entry = entry->l_next) entries.push_back(entry);
        ASSERT_EQ(entries.back(), named);
        // Named first right after the program, and again at the end of the list or, where the process lists
        // more than a batch (libraries earlier tests left open), at the end of the first batch.
        entries.pop_back();
        entries.insert(entries.begin() + 1, named);
        entries.insert(entries.begin() + std::min(entries.size(), CRKSafeMemoryReader::kRangesPerCopy - 1),
                       named);
        const size_t before = readRecords(logPath()).size();
        {
            CraftedList damaged(entries);
            CRKBinaryImageSafeSyncWithLoader();
        }
        const auto records = readRecords(logPath());
        EXPECT_EQ(records.size(), before + 1);
        EXPECT_EQ(recordsOf(records, "load", library).size(), 1u);
        EXPECT_EQ(liveSlotsAt(writable(), headerOf(reinterpret_cast<void*>(symbol))), 1u);
        ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(symbol, &slot));
        // Read, then gone, so that the next library is new to the table too.
        CRKBinaryImageRescanIfNeeded();
        EXPECT_EQ(dlclose(handle), 0);
        CRKBinaryImageRescanIfNeeded();
        runUntilIdle();
    }
}

// A test that goes on after the walk placed a build with a build-id: once it is closed, a library without
// one opened where it lay and read is a library of its own (an empty identifier matches only an empty
// one), with its own slot and record, not the walk's build.
TEST_F(CRKBinaryImageTest, ALibraryWithoutABuildIDReadWhereTheWalkPlacedABuildWithOneIsRecorded) {
    void* first = dlopen(SAME_LAYOUT_PLUGIN_A, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(first, nullptr) << dlerror();
    const uintptr_t header = headerOf(dlsym(first, "kestrune_same_layout_write"));
    CRKBinaryImageSafeSyncWithLoader();
    ASSERT_EQ(recordsOf(readRecords(logPath()), "load", SAME_LAYOUT_PLUGIN_A).size(), 1u);
    ASSERT_EQ(dlclose(first), 0);
    void* second = openWhereItLay(SAME_LAYOUT_PLAIN_B, header);
    ASSERT_NE(second, nullptr);
    CRKBinaryImageRescanIfNeeded();
    runUntilIdle();
    const auto loads = recordsOf(readRecords(logPath()), "load", SAME_LAYOUT_PLAIN_B);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(text(loads[0].fields, "uuid"), "");
    EXPECT_EQ(number(loads[0].fields, "base"), header);
    EXPECT_EQ(liveSlotsAt(writable(), header), 2u);
    EXPECT_EQ(dlclose(second), 0);
    CRKBinaryImageRescanIfNeeded();
    runUntilIdle();
}

// A library nobody has read yet whose name in the loader's list cannot be read to its end: a pointer into
// memory that is not mapped, or a name that runs to the end of its page with an unmapped page after it.
// The walk reads it through the safe reader and never faults; the library still gets its slot and a
// record with its identifier, without a name.
TEST_F(CRKBinaryImageTest, TheWalkRecordsALibraryWhoseListedNameCannotBeReadWithoutFaulting) {
    const long page = sysconf(_SC_PAGESIZE);
    auto* pages = static_cast<char*>(
        mmap(nullptr, size_t(page) * 2, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    memset(pages, 'x', size_t(page));
    ASSERT_EQ(munmap(pages + page, size_t(page)), 0);
    struct Case {
        const char* what;
        char* name;
    };
    const Case cases[] = {{"no end before an unmapped page", pages + page - 100},
                          {"unmapped", pages + page + 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = readRecords(logPath()).size();
        void* inner = dlopen(KESTRUNE_LOADER_INNER, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(inner, nullptr) << dlerror();
        link_map* entry = nullptr;
        ASSERT_EQ(dlinfo(inner, RTLD_DI_LINKMAP, &entry), 0);
        char* const name = entry->l_name;
        entry->l_name = c.name;
        CRKBinaryImageSafeSyncWithLoader();
        entry->l_name = name;
        const auto records = readRecords(logPath());
        ASSERT_EQ(records.size(), before + 1);
        EXPECT_EQ(text(records.back().fields, "path"), "");
        EXPECT_EQ(text(records.back().fields, "uuid"),
                  imagetest::buildIdentifierOfFile(KESTRUNE_LOADER_INNER));
        CRKBinaryImageSlot slot;
        void* fault = dlsym(inner, "kestrune_loader_inner_fault");
        EXPECT_TRUE(CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(fault), &slot));
        // Read, then gone, so that the next case is new to the table again.
        CRKBinaryImageRescanIfNeeded();
        EXPECT_EQ(dlclose(inner), 0);
        CRKBinaryImageRescanIfNeeded();
        runUntilIdle();
    }
    munmap(pages, size_t(page));
}

// The table takes the kit's queue when there is one; a test's stays only for the test.
struct KitQueue {
    explicit KitQueue(std::shared_ptr<platform::DispatchQueue> queue) {
        CRKSharedContext().binaryImageQueue = std::move(queue);
    }
    ~KitQueue() {
        CRKBinaryImageResetForTesting();
        CRKSharedContext().binaryImageQueue = nullptr;
    }
};

// A load that was read, whose record still waits on the binary-images queue when the crash comes: the
// walk writes it, and the queue, once it runs, does not write it again.
TEST_F(CRKBinaryImageTest, ARecordStillQueuedAtTheCrashIsWrittenByTheWalkAndOnlyOnce) {
    CRKBinaryImageResetForTesting();
    const auto queue = platform::DispatchQueue::createSerial("test.binary-images");
    KitQueue kitQueue(queue);
    CRKBinaryImageInit(logPath().c_str(), writable());
    runUntilIdle();
    const size_t before = readRecords(logPath()).size();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    queue->async([released] { released.wait(); });

    void* outer = platform::mach::ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    CRKBinaryImageSlot slot;
    ASSERT_TRUE(CRKBinaryImageSafeFindImageForAddress(
        reinterpret_cast<uintptr_t>(dlsym(outer, "kestrune_loader_outer_crash")), &slot));
    EXPECT_EQ(readRecords(logPath()).size(), before);
    CRKBinaryImageSafeSyncWithLoader();
    EXPECT_EQ(recordsOf(readRecords(logPath()), "load", KESTRUNE_LOADER_OUTER).size(), 1u);

    release.set_value();
    runUntilIdle();
    const auto records = readRecords(logPath());
    EXPECT_EQ(recordsOf(records, "load", KESTRUNE_LOADER_OUTER).size(), 1u);
    EXPECT_EQ(records.size(), before + 1);
    EXPECT_EQ(dlclose(outer), 0);
}

// A crash the moment the kit has started, before its queue has run anything: the walk writes the records
// of the first burst, and nothing the queue does afterwards (it once reset the file first) erases them.
TEST_F(CRKBinaryImageTest, WhatTheWalkWritesBeforeTheQueueFirstRunsStaysInTheFile) {
    CRKBinaryImageResetForTesting();
    const auto queue = platform::DispatchQueue::createSerial("test.binary-images");
    KitQueue kitQueue(queue);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    queue->async([released] { released.wait(); });
    CRKBinaryImageInit(logPath().c_str(), writable());
    CRKBinaryImageSafeSyncWithLoader();
    release.set_value();
    runUntilIdle();

    std::vector<std::string> mapped = {programPath()};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            if (info->dlpi_name && info->dlpi_name[0] == '/')
                static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
            return 0;
        },
        &mapped);
    const auto records = readRecords(logPath());
    for (const std::string& path : mapped) {
        EXPECT_FALSE(recordsOf(records, "load", path).empty()) << path;
    }
}

// A record the queue took but could not bring to the file (the disk full, say) is not counted written:
// the walk at crash time writes it.
TEST_F(CRKBinaryImageTest, ARecordTheQueueTookButDidNotWriteIsWrittenByTheWalk) {
    CRKFile full{};
    full.descriptor = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full.descriptor, 0);
    full.bufferingEnabled = true;
    writable()->binaryImageFile = full;
    void* outer = platform::mach::ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    runUntilIdle();
    CRKFileClose(&writable()->binaryImageFile);
    EXPECT_TRUE(recordsOf(readRecords(logPath()), "load", KESTRUNE_LOADER_OUTER).empty());

    CRKBinaryImageSafeSyncWithLoader();
    EXPECT_EQ(recordsOf(readRecords(logPath()), "load", KESTRUNE_LOADER_OUTER).size(), 1u);
    EXPECT_EQ(dlclose(outer), 0);
}

std::atomic<bool> gWalkedInSignalHandler{false};

// The crashed thread is the binary-images queue's own, stopped by a signal in the middle of writing a
// library's record: here its handle is a pipe nobody reads, so the write itself raises SIGPIPE on that
// thread, whose handler runs the walk as the crash handler would. The thread would never finish that
// record, so the walk, which runs on that very thread, writes it.
TEST_F(CRKBinaryImageTest, ARecordTheCrashedThreadItselfWasWritingIsWrittenByTheWalk) {
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    close(ends[0]);
    CRKFile broken{};
    broken.descriptor = ends[1];
    broken.bufferingEnabled = true;
    writable()->binaryImageFile = broken;
    const size_t before = readRecords(logPath()).size();
    gWalkedInSignalHandler.store(false);
    struct sigaction crash = {};
    struct sigaction previous = {};
    crash.sa_handler = [](int) {
        if (!gWalkedInSignalHandler.exchange(true)) CRKBinaryImageSafeSyncWithLoader();
    };
    ASSERT_EQ(sigaction(SIGPIPE, &crash, &previous), 0);

    void* outer = platform::mach::ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    runUntilIdle();
    sigaction(SIGPIPE, &previous, nullptr);
    CRKFileClose(&writable()->binaryImageFile);
    ASSERT_TRUE(gWalkedInSignalHandler.load());
    const auto records = readRecords(logPath());
    EXPECT_EQ(recordsOf(records, "load", KESTRUNE_LOADER_OUTER).size(), 1u);
    EXPECT_EQ(records.size(), before + 1);
    EXPECT_EQ(dlclose(outer), 0);
}

// A library whose search path is its own folder finds its sibling there, by bare name and through
// $ORIGIN, while the kit runs: nothing stands between the library and the loader, so the loader takes
// the library for the caller. Checked in the crash probe, a program built without sanitizers, with the
// whole kit started; and in this program too when it has none (a sanitizer's runtime puts a dlopen of
// its own in front of the loader, which makes itself the caller).
TEST_F(CRKBinaryImageTest, ALibraryWhoseSearchPathIsItsOwnFolderLoadsItsSiblingWhileTheKitRuns) {
    const std::string root = home() + "/report";
    mkdir(root.c_str(), 0700);
    const crashprobe::Run run = crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kOriginSibling, root}, home());
    ASSERT_TRUE(run.started && !run.hung);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == crashprobe::kOriginSiblingLoadedExit)
        << run.status;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    void* loader = dlopen(KESTRUNE_ORIGIN_LOADER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(loader, nullptr) << dlerror();
    auto byName = reinterpret_cast<void* (*)()>(dlsym(loader, "kestrune_origin_load_by_name"));
    auto fromOrigin = reinterpret_cast<void* (*)()>(dlsym(loader, "kestrune_origin_load_from_origin"));
    ASSERT_TRUE(byName && fromOrigin);
    void* named = byName();
    EXPECT_NE(named, nullptr) << dlerror();
    void* found = fromOrigin();
    EXPECT_NE(found, nullptr) << dlerror();
    EXPECT_EQ(named, found);
    // And the table hears of the sibling at the next pass of the main run loop.
    platform::RunLoop::main().runOnce();
    void* value = found ? dlsym(found, "kestrune_origin_sibling_value") : nullptr;
    CRKBinaryImageSlot slot;
    EXPECT_TRUE(value && CRKBinaryImageSafeFindImageForAddress(reinterpret_cast<uintptr_t>(value), &slot));
    if (named) dlclose(named);
    if (found) dlclose(found);
    dlclose(loader);
#endif
}

}  // namespace
