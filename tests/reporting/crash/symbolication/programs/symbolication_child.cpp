// A program that symbolicates records of its own earlier run, as the application does at its next
// launch. Loaded at other addresses each run (position-independent, with the chain library):
//
//   symbolication_child record <report folder>       writes the report: metadata, the binary-image
//                                                    record and a crash record whose thread holds the
//                                                    return addresses of a call chain through a C++
//                                                    function, a static function and the library
//   symbolication_child symbolicate <report folder>  symbolicates that report with this run's images

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/symbolication/CRKProcessReportOperation.h"
#include "tests/reporting/crash/unwind/chain/UnwindChain.h"

using namespace reporting;

namespace {

std::vector<uintptr_t> gStack;

#if defined(__clang__)
#define STEP __attribute__((noinline, used))
#else
#define STEP __attribute__((noinline, noclone, used))
#endif

extern "C" STEP int symbolicationChildReenter(UnwindChain* chain) {
    gStack.insert(gStack.end(), reinterpret_cast<uintptr_t*>(chain->returnAddresses),
                  reinterpret_cast<uintptr_t*>(chain->returnAddresses) + chain->count);
    __asm__ volatile("" ::: "memory");
    return 1;
}

STEP static int staticStep(int depth) {
    gStack.push_back(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    UnwindChain chain{};
    chain.reenter = symbolicationChildReenter;
    const int result = kestrune_unwind_chain_fp_library_1(&chain);
    __asm__ volatile("" ::: "memory");
    return result + depth;
}

}  // namespace

namespace crashsite {

STEP int crashingFunction(int depth) {
    gStack.push_back(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    const int result = staticStep(depth + 1);
    __asm__ volatile("" ::: "memory");
    return result * 2;
}

}  // namespace crashsite

// Exported (the program is linked with -rdynamic), so the loader itself names it.
extern "C" STEP int symbolicationChildEntry() {
    const int result = crashsite::crashingFunction(0);
    __asm__ volatile("" ::: "memory");
    return result + 1;
}

namespace {

void writeImage(CRKFile* file, const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) return;
    std::string path = info.dli_fname && *info.dli_fname ? info.dli_fname : "";
    if (path.empty()) {
        char buffer[4096];
        const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (length <= 0) return;
        path.assign(buffer, static_cast<size_t>(length));
    }
    CRKELFFile elf;
    CRKELFImageInfo image{};
    if (!CRKELFFileInitWithPath(&elf, path.c_str())) return;
    const bool read = CRKELFFileReadInfo(&elf, &image);
    CRKELFFileDestroy(&elf);
    char uuid[33] = {};
    if (read && image.hasBuildID) CRKHexEncodeBytes(image.uuid, 16, uuid);
    CRKBinaryImageDetails details{};
    if (!CRKBinaryImageFindImageForUUID(uuid, &details)) return;
    CRKFileWriteSectionStart(file, "load");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(file, "path", path.c_str());
    CRKFileWriteHashEntryString(file, "uuid", uuid);
    CRKFileWriteHashEntryUInt64(file, "base", details.loadAddress);
    CRKFileWriteHashEntryUInt64(file, "size", details.textSize);
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

bool record(const std::string& folder) {
    gStack.clear();
    symbolicationChildEntry();
    mkdir(folder.c_str(), 0700);
    CRKFile file;
    if (!CRKFileInitWithPathMode(&file, (folder + "/metadata.crkrecord").c_str(), false, true)) return false;
    CRKFileWriteSectionStart(&file, "identity");
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashEntryString(&file, "session_id", "child-run");
    CRKFileWriteHashEnd(&file);
    CRKFileWriteSectionEnd(&file);
    CRKFileClose(&file);

    if (!CRKFileInitWithPathMode(&file, (folder + "/binary_images.crkrecord").c_str(), false, true))
        return false;
    writeImage(&file, reinterpret_cast<const void*>(&crashsite::crashingFunction));
    writeImage(&file, reinterpret_cast<const void*>(&kestrune_unwind_chain_fp_library_1));
    CRKFileClose(&file);

    if (!CRKFileInitWithPathMode(&file, (folder + "/signal.crkrecord").c_str(), false, true)) return false;
    CRKFileWriteSectionStart(&file, "threads");
    CRKFileWriteArrayStart(&file);
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashKey(&file, "stacktrace");
    CRKFileWriteArrayStart(&file);
    // Innermost first, as a stack trace reads; then an address in no image.
    for (auto it = gStack.rbegin(); it != gStack.rend(); ++it) CRKFileWriteArrayEntryUInt64(&file, *it);
    CRKFileWriteArrayEntryUInt64(&file, 16);
    CRKFileWriteArrayEnd(&file);
    CRKFileWriteHashEnd(&file);
    CRKFileWriteArrayEnd(&file);
    CRKFileWriteSectionEnd(&file);
    return CRKFileClose(&file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string mode = argv[1];
    const std::string folder = argv[2];
    if (mode == "record") return record(folder) ? 0 : 1;
    if (mode == "symbolicate") {
        auto report = CRKInternalReport::reportWithPath(folder);
        if (!report) return 1;
        CRKProcessReportOperation(report, std::make_shared<CRKSymbolResolver>()).start();
        return 0;
    }
    return 2;
}
