#include "reporting/crash/symbolication/CRKProcessReportOperation.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <link.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include "platform/storage/Files.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKDemangleOperation.h"
#include "reporting/crash/symbolication/CRKELFProcedureLinkage.h"
#include "tests/reporting/crash/capture/CrashProbe.h"
#include "tests/reporting/crash/symbolication/ELFSymbolFixtures.h"
#include "tests/reporting/crash/unwind/chain/UnwindChain.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/TestEnvironment.h"

// Functions of known layout: the first ends in padding-free code right before the second, so an
// address on the second's first byte is a return address of a call at the end of the first. The third
// is followed by padding, where a return address of a call at its end lies in no function. Local
// symbols: the loader does not know them, only the file's symbol table does.
#if defined(__x86_64__) || defined(__aarch64__)
asm(R"(
    .text
    .p2align 4
    .type _ZN7symtest6callerEv, @function
_ZN7symtest6callerEv:
    nop
    nop
    nop
    nop
    .size _ZN7symtest6callerEv, .-_ZN7symtest6callerEv
    .type _ZN7symtest4nextEv, @function
_ZN7symtest4nextEv:
    ret
    .size _ZN7symtest4nextEv, .-_ZN7symtest4nextEv
    .p2align 4
    .type _ZN7symtest5endedEv, @function
_ZN7symtest5endedEv:
    nop
    nop
    nop
    nop
    .size _ZN7symtest5endedEv, .-_ZN7symtest5endedEv
    .p2align 4
)");
#endif
extern "C" void symtestCaller() __asm__("_ZN7symtest6callerEv");
extern "C" void symtestNext() __asm__("_ZN7symtest4nextEv");
extern "C" void symtestEnded() __asm__("_ZN7symtest5endedEv");

extern char** environ;

namespace {

using namespace reporting;

constexpr uint64_t kShift = 0x10000000;  // the crashed run loaded every image this much higher
const char* kGoneUUID = "0123456789abcdef0123456789abcdef";

struct Image {
    std::string path;
    std::string uuid;
    uint64_t base = 0;
    uint64_t size = 0;
};

std::string fileIdentifier(const std::string& path) {
    CRKELFFile file;
    if (!CRKELFFileInitWithPath(&file, path.c_str())) return "";
    CRKELFImageInfo info;
    const bool read = CRKELFFileReadInfo(&file, &info);
    CRKELFFileDestroy(&file);
    if (!read || !info.hasBuildID) return "";
    char hex[33];
    CRKHexEncodeBytes(info.uuid, 16, hex);
    return hex;
}

// The image holding the address as loaded now.
Image imageOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) return {};
    Image image;
    image.path = info.dli_fname && *info.dli_fname ? info.dli_fname
                                                   : std::filesystem::read_symlink("/proc/self/exe").string();
    image.uuid = fileIdentifier(image.path);
    CRKBinaryImageDetails details{};
    if (!image.uuid.empty() && CRKBinaryImageFindImageForUUID(image.uuid.c_str(), &details)) {
        image.base = details.loadAddress;
        image.size = details.textSize;
    } else {
        image.base = reinterpret_cast<uintptr_t>(info.dli_fbase);
        // Just past the address: an image record without an identifier covers no other image.
        image.size = reinterpret_cast<uintptr_t>(address) - image.base + 0x40;
    }
    return image;
}

std::string loadLine(const std::string& kind, const Image& image) {
    return "{\"" + kind + "\":{\"path\":\"" + image.path + "\",\"uuid\":\"" + image.uuid +
           "\",\"base\":" + std::to_string(image.base + kShift) + ",\"size\":" + std::to_string(image.size) +
           "}}\n";
}

int reenterNowhere(UnwindChain*) {
    return 1;
}

// A linkage stub of the program through which it calls a C++ function, where this run has it, and the
// readable name the debugger gives it.
struct Stub {
    uint64_t address = 0;
    std::string raw;
    std::string readable;
};

Stub programStubOfACppFunction(const std::string& path) {
    const elffixtures::MappedFile file(path);
    uintptr_t bias = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) -> int {
            *static_cast<uintptr_t*>(out) = info->dlpi_addr;  // the program comes first
            return 1;
        },
        &bias);
    const auto linkage = CRKELFProcedureLinkage::linkageOfFile(file.data(), file.size());
    for (const auto& stub : linkage.stubs()) {
        if (!stub.name.starts_with("_Z")) continue;
        const std::string function = stub.name.substr(0, stub.name.size() - 4);
        int status = -1;
        char* readable = abi::__cxa_demangle(function.c_str(), nullptr, nullptr, &status);
        if (!readable) continue;
        Stub found{bias + stub.start, stub.name, std::string(readable) + "@plt"};
        free(readable);
        if (status == 0) return found;
    }
    return {};
}

struct Expected {
    const char* what;
    uint64_t address;  // as the crashed run saw it
    std::optional<std::string> symbol;
    std::optional<std::string> rawSymbol;
    uint64_t offset;
    std::optional<std::string> library;
};

class CRKProcessReportOperationTest : public testsupport::KestruneTest {
protected:
    void expectChildRecordNamed(bool byBareName);
};

TEST_F(CRKProcessReportOperationTest, FramesOfAnEarlierRunGetNamesLibrariesAndOffsets) {
    const Image program = imageOf(reinterpret_cast<const void*>(&symtestCaller));
    const Image library = imageOf(reinterpret_cast<const void*>(&kestrune_unwind_chain_fp_library_1));
    const Image anonymous = imageOf(reinterpret_cast<const void*>(&kestrune_unwind_chain_nofp_library_1));
    ASSERT_EQ(program.uuid.size(), 32u);
    ASSERT_EQ(library.uuid.size(), 32u);
    ASSERT_EQ(anonymous.uuid, "");  // that library is built without a build identifier

    UnwindChain chain{};
    chain.reenter = reenterNowhere;
    kestrune_unwind_chain_fp_library_1(&chain);
    ASSERT_EQ(chain.count, 3);
    const auto crashed = [](const void* address, uint64_t plus = 0) {
        return reinterpret_cast<uintptr_t>(address) + plus + kShift;
    };
    const auto callerStart = reinterpret_cast<uintptr_t>(&symtestCaller);
    const auto nextStart = reinterpret_cast<uintptr_t>(&symtestNext);
    const std::string programName = std::filesystem::path(program.path).filename();
    const Stub stub = programStubOfACppFunction(program.path);
    ASSERT_NE(stub.address, 0u);
    const std::string libraryName = std::filesystem::path(library.path).filename();
    const std::vector<Expected> table = {
        {"inside a C++ function known only to the file", crashed((void*)&symtestCaller, 2),
         "symtest::caller()", "_ZN7symtest6callerEv", 2, programName},
        {"on the first byte of the next function", crashed((void*)&symtestNext), "symtest::caller()",
         "_ZN7symtest6callerEv", nextStart - 2 - callerStart, programName},
        {"in the padding after a function", crashed((void*)&symtestEnded, 4), "symtest::ended()",
         "_ZN7symtest5endedEv", 2, programName},
        {"in a linkage stub: after the function it jumps to", crashed((void*)stub.address, 6), stub.readable,
         stub.raw, 6, programName},
        {"an exported function of a library", crashed((void*)&kestrune_unwind_chain_fp_library_1, 1),
         "kestrune_unwind_chain_fp_library_1", std::nullopt, 1, libraryName},
        {"a static function of a library", crashed(chain.returnAddresses[2]), "library_2", std::nullopt,
         ~0ull, libraryName},
        {"an image without a build identifier", crashed((void*)&kestrune_unwind_chain_nofp_library_1, 1),
         std::nullopt, std::nullopt, 0, std::nullopt},
        {"an image not loaded now", 0x5000 + kShift, std::nullopt, std::nullopt, 0, std::nullopt},
        {"outside every image", 8, std::nullopt, std::nullopt, 0, std::nullopt},
        {"address zero", 0, std::nullopt, std::nullopt, 0, std::nullopt},
    };

    const std::string folder = home() + "/report";
    std::string stack;
    for (const auto& row : table) stack += (stack.empty() ? "" : ",") + std::to_string(row.address);
    const std::string gone = std::string("{\"load\":{\"path\":\"/gone/libgone.so\",\"uuid\":\"") + kGoneUUID +
                             "\",\"base\":" + std::to_string(0x4000 + kShift) + ",\"size\":4096}}\n";
    // An image unloaded before the library was loaded at its address: the library, loaded later, wins.
    Image before = library;
    before.path = "/gone/libearlier.so";
    before.uuid = kGoneUUID;
    uploadtest::seedReport(
        home(), "report",
        {{"binary_images.crkrecord", loadLine("load", before) + loadLine("load", program) +
                                         loadLine("load", library) + loadLine("load", anonymous) + gone +
                                         loadLine("unload", library) + "{\"load\":{\"base\":1}}\n"},
         {"signal.crkrecord",
          "{\"signal\":{\"number\":11}}\n{\"threads\":[{\"stacktrace\":[" + stack +
              "]},{\"name\":\"no stack\"},{\"stacktrace\":[" + std::to_string(crashed((void*)&symtestNext)) +
              "," + std::to_string(crashed((void*)&symtestNext)) + "],\"interrupted_frames\":[1,7]}]}\n"}});
    auto report = CRKInternalReport::reportWithPath(folder);
    ASSERT_TRUE(report);
    auto operation =
        std::make_shared<CRKProcessReportOperation>(report, std::make_shared<CRKSymbolResolver>());
    operation->start();
    EXPECT_EQ(operation->symbolResolver()->binaryImages().size(),
              4u);  // incomplete and unload lines, and the image the library replaced, left out

    const std::string written = uploadtest::readFile(folder + "/signal.crkrecord.symbolicated");
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), '\n');
    const auto sections = CRKFileReadSections((folder + "/signal.crkrecord.symbolicated").c_str(), false);
    ASSERT_TRUE(sections && sections->size() == 1);
    const auto* threads = (*sections)[0]["threads"].array();
    ASSERT_TRUE(threads && threads->size() == 3);
    EXPECT_TRUE((*threads)[1].array() && (*threads)[1].array()->empty());
    // A thread stopped on a function's first byte is named after that function, and so is a frame a
    // signal interrupted there (below the signal's trampoline): only the other frames after the first are
    // return addresses. An index past the stack is passed over.
    ASSERT_TRUE((*threads)[2].array() && (*threads)[2].array()->size() == 2);
    for (const platform::Value& stopped : *(*threads)[2].array()) {
        EXPECT_EQ(stopped["symbol"].string() ? *stopped["symbol"].string() : "(null)", "symtest::next()");
        EXPECT_EQ(stopped["offset"].number()->unsignedLongLongValue(), 0u);
    }
    const auto* frames = (*threads)[0].array();
    ASSERT_TRUE(frames && frames->size() == table.size());
    for (size_t i = 0; i < table.size(); i++) {
        const auto& row = table[i];
        const platform::Value& frame = (*frames)[i];
        const auto text = [&](const char* key) -> std::optional<std::string> {
            const auto* s = frame[key].string();
            return s ? std::optional<std::string>(*s) : std::nullopt;
        };
        EXPECT_EQ(text("symbol"), row.symbol) << row.what;
        EXPECT_EQ(text("raw_symbol"), row.rawSymbol) << row.what;
        EXPECT_EQ(text("library"), row.library) << row.what;
        ASSERT_TRUE(frame["offset"].number()) << row.what;
        const uint64_t offset = frame["offset"].number()->unsignedLongLongValue();
        if (row.offset == ~0ull) {
            EXPECT_GT(offset, 0u) << row.what;  // inside the function; its start is the file's secret
        } else {
            EXPECT_EQ(offset, row.offset) << row.what;
        }
    }
    // Keys in their fixed order, strings as plain JSON.
    EXPECT_NE(
        written.find("{\"symbol\":\"symtest::caller()\",\"raw_symbol\":\"_ZN7symtest6callerEv\",\"offset\":2,"
                     "\"library\":\"" +
                     programName + "\"}"),
        std::string::npos);
    EXPECT_NE(written.find("{\"symbol\":null,\"offset\":0,\"library\":null}"), std::string::npos);
}

TEST_F(CRKProcessReportOperationTest, AReportWithoutReadableImagesGetsNoSymbolicatedFiles) {
    const std::string threads = "{\"threads\":[{\"stacktrace\":[4096]}]}\n";
    struct Case {
        const char* what;
        std::optional<std::string> images;
        bool symbolicated;
    } cases[] = {
        {"no image record", std::nullopt, false},
        {"an empty image record", std::string(), false},
        {"only unload lines: every frame stays unresolved",
         std::string("{\"unload\":{\"base\":1,\"size\":9}}\n"), true},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> files = {{"signal.crkrecord", threads},
                                                    {"exception.crkrecord", "{}\n"}};
        if (c.images) files["binary_images.crkrecord"] = *c.images;
        const std::string folder =
            uploadtest::seedReport(home() + "/" + std::to_string(&c - cases), "r", files);
        CRKProcessReportOperation(CRKInternalReport::reportWithPath(folder),
                                  std::make_shared<CRKSymbolResolver>())
            .start();
        EXPECT_EQ(platform::Files::exists(folder + "/signal.crkrecord.symbolicated"), c.symbolicated)
            << c.what;
        // A crash file without threads is skipped.
        EXPECT_FALSE(platform::Files::exists(folder + "/exception.crkrecord.symbolicated")) << c.what;
        if (c.symbolicated) {
            EXPECT_EQ(uploadtest::readFile(folder + "/signal.crkrecord.symbolicated"),
                      "{\"threads\":[[{\"symbol\":null,\"offset\":0,\"library\":null}]]}\n");
        }
    }
}

// A quit may land while the program's own symbols are read to name a frame (a tenth of a second for a
// program): the operation's stop reaches that reading, which ends at the ask answered true.
TEST_F(CRKProcessReportOperationTest, AStopReachesTheReadingOfAnImagesSymbols) {
    const Image program = imageOf(reinterpret_cast<const void*>(&symtestCaller));
    ASSERT_EQ(program.uuid.size(), 32u);
    const uint64_t address = reinterpret_cast<uintptr_t>(&symtestCaller) + 2 + kShift;
    const std::string folder = uploadtest::seedReport(
        home(), "report",
        {{"binary_images.crkrecord", loadLine("load", program)},
         {"signal.crkrecord", "{\"threads\":[{\"stacktrace\":[" + std::to_string(address) + "]}]}\n"}});
    const std::string output = folder + "/signal.crkrecord.symbolicated";
    // How often the stop was asked, answered true from its `stopAt`th ask on.
    const auto run = [&](const std::shared_ptr<CRKSymbolResolver>& resolver, size_t stopAt) {
        platform::Files::remove(output);
        CRKProcessReportOperation operation(CRKInternalReport::reportWithPath(folder), resolver);
        size_t asked = 0;
        operation.setStopCheckForTesting([&] { return ++asked >= stopAt; });
        operation.start();
        return asked;
    };
    // The same work twice with one resolver: the second time the program's symbols are known already.
    const auto resolver = std::make_shared<CRKSymbolResolver>();
    const size_t reading = run(resolver, SIZE_MAX);
    EXPECT_NE(uploadtest::readFile(output).find("symtest::caller()"), std::string::npos);
    const size_t known = run(resolver, SIZE_MAX);
    EXPECT_GT(reading, known) << "the reading of the program's symbols never asked the stop";
    // Stopped at the first ask past what the second run asked: inside that reading.
    EXPECT_EQ(run(std::make_shared<CRKSymbolResolver>(), known + 1), known + 1);
    EXPECT_FALSE(platform::Files::exists(output));
}

TEST(CRKDemangleOperationTest, MangledNamesAndBlocksBecomeReadable) {
    const struct {
        const char* in;
        std::optional<std::string> out;
    } table[] = {
        {"_ZN3foo3barEv", "foo::bar()"},
        {"__ZN3foo3barEv_block_invoke_2", "foo::bar()_block_invoke_2"},
        {"__ZN3foo3barEv_block_invoke", "foo::bar()_block_invoke"},
        {"__Z_block_invoke", std::nullopt},  // the suffix begins too early
        {"__ZNotMangled_block_invoke", std::nullopt},
        {"_Znot-a-name", std::nullopt},
        {"_ZN3foo3barEv@plt", "foo::bar()@plt"},  // a linkage stub of a C++ function
        {"puts@plt", std::nullopt},
        {"_Znot-a-name@plt", std::nullopt},
        {"@plt", std::nullopt},
        {"main", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : table) EXPECT_EQ(CRKDemangleOperation::demangleSymbol(row.in), row.out) << row.in;
    EXPECT_EQ(CRKDemangleOperation::demangleSymbol(nullptr), std::nullopt);
}

}  // namespace

namespace {

// The child started by its path, or as a shell starts a program found on the PATH: by its bare name,
// in a folder that does not hold it.
int runChild(const std::string& mode, const std::string& folder, const std::string& startedIn = "") {
    pid_t pid = -1;
    std::vector<std::string> arguments = {SYMBOLICATION_CHILD_PATH, mode, folder};
    if (!startedIn.empty()) arguments[0] = std::filesystem::path(SYMBOLICATION_CHILD_PATH).filename();
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!startedIn.empty()) posix_spawn_file_actions_addchdir_np(&actions, startedIn.c_str());
    const int spawned = posix_spawn(&pid, SYMBOLICATION_CHILD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CRKProcessReportOperationTest, ARecordOfOneRunIsSymbolicatedByTheNextRunOfTheSameProgram) {
    for (const bool byBareName : {false, true}) {
        SCOPED_TRACE(byBareName ? "started by its bare name" : "started by its path");
        expectChildRecordNamed(byBareName);
    }
}

void CRKProcessReportOperationTest::expectChildRecordNamed(bool byBareName) {
    const std::string folder = home() + (byBareName ? "/bare-report" : "/child-report");
    ASSERT_EQ(runChild("record", folder), 0);
    // The loader then gives the program's file as that bare name, which names no file here: its own
    // functions are still named from its file.
    ASSERT_EQ(runChild("symbolicate", folder, byBareName ? home() : ""), 0);
    const auto sections = CRKFileReadSections((folder + "/signal.crkrecord.symbolicated").c_str(), false);
    ASSERT_TRUE(sections && sections->size() == 1);
    const auto* threads = (*sections)[0]["threads"].array();
    ASSERT_TRUE(threads && threads->size() == 1 && (*threads)[0].array());
    std::vector<std::string> names, libraries;
    for (const platform::Value& frame : *(*threads)[0].array()) {
        const auto* symbol = frame["symbol"].string();
        const auto* library = frame["library"].string();
        names.push_back(symbol ? *symbol : "(null)");
        libraries.push_back(library ? *library : "(null)");
        if (symbol) {
            EXPECT_GT(frame["offset"].number()->unsignedLongLongValue(), 0u) << *symbol;
        }
    }
    // Innermost first: the library's static and exported steps, the program's static step, the C++
    // function (demangled), its caller, and at the end the address outside every image.
    const std::string library = std::filesystem::path(KESTRUNE_UNWIND_CHAIN_LIBRARY).filename();
    const std::string program = std::filesystem::path(SYMBOLICATION_CHILD_PATH).filename();
    ASSERT_EQ(names.size(), 6u) << ::testing::PrintToString(names);
    EXPECT_EQ(names[0], "library_2");
    EXPECT_EQ(names[1], "kestrune_unwind_chain_fp_library_1");
    EXPECT_EQ(names[2], "(anonymous namespace)::staticStep(int)");  // from the file's own table
    EXPECT_EQ(names[3], "crashsite::crashingFunction(int)");
    EXPECT_EQ(names[4], "symbolicationChildEntry");  // a C function, as the loader names it
    EXPECT_EQ(names[5], "(null)");
    EXPECT_EQ(libraries, (std::vector<std::string>{library, library, program, program, program, "(null)"}));
}

TEST_F(CRKProcessReportOperationTest, ARecordMadeByTheCrashProbeIsSymbolicatedByASecondRunOfTheSameProgram) {
    const std::string root = home() + "/probe-report";
    mkdir(root.c_str(), 0700);
    const auto crashed = crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kNull, root}, home());
    ASSERT_TRUE(crashed.started && !crashed.hung);
    ASSERT_TRUE(WIFSIGNALED(crashed.status)) << crashed.status;
    const auto second = crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kSymbolicate, root}, home());
    ASSERT_TRUE(second.started && WIFEXITED(second.status) && WEXITSTATUS(second.status) == 0)
        << second.status;

    // The crashed thread of the record, and the same thread symbolicated.
    const auto record = CRKFileReadSections((root + "/signal.crkrecord").c_str(), false);
    const auto symbolicated = CRKFileReadSections((root + "/signal.crkrecord.symbolicated").c_str(), false);
    ASSERT_TRUE(record && symbolicated && symbolicated->size() == 1);
    const platform::Value::Array* recordThreads = nullptr;
    for (const auto& section : *record) {
        if ((recordThreads = section["threads"].array())) break;
    }
    const auto* threads = (*symbolicated)[0]["threads"].array();
    ASSERT_TRUE(recordThreads && threads && threads->size() == recordThreads->size());
    size_t crashedIndex = recordThreads->size();
    for (size_t i = 0; i < recordThreads->size(); i++) {
        const auto* flag = (*recordThreads)[i]["crashed"].number();
        if (flag && flag->boolValue()) crashedIndex = i;
    }
    ASSERT_LT(crashedIndex, threads->size());
    const auto* frames = (*threads)[crashedIndex].array();
    ASSERT_TRUE(frames && frames->size() >= 3);
    const auto text = [](const platform::Value& frame, const char* key) {
        const auto* s = frame[key].string();
        return s ? *s : std::string("(null)");
    };
    const std::string program = std::filesystem::path(CRASH_PROBE_PATH).filename();
    // The faulting function itself, inside it, in the probe; then its caller, main.
    EXPECT_EQ(text((*frames)[0], "symbol"), "probe_crash_null");
    EXPECT_EQ(text((*frames)[0], "library"), program);
    EXPECT_GT((*frames)[0]["offset"].number()->unsignedLongLongValue(), 0u);
    EXPECT_EQ(text((*frames)[1], "symbol"), "main");
    EXPECT_EQ(text((*frames)[1], "library"), program);
    // Further down, the C library that started main, named by its own file.
    bool libc = false;
    for (const auto& frame : *frames) libc = libc || text(frame, "library").rfind("libc.so", 0) == 0;
    EXPECT_TRUE(libc);
}

}  // namespace
