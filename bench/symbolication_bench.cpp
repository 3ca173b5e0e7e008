// How long the launch after a crash takes to name a record's frames, against the application's own
// image (the 165 MB RelWithDebInfo program with its 31,000-entry symbol table and 19,000 exported
// names, else the Release one beside this folder): one thread of 100,000 frames (and 600,000) that are
// 14 addresses of a recursion repeated, and one of 20,000 distinct addresses of the program. Each
// iteration is a report: a new resolver reads the image record and the symbolication operation names
// every frame, as CRKProcessReportOperation does.
//
// The program cannot be loaded as it is (the loader refuses a position-independent executable), so a
// copy with that flag and its constructors and destructors struck from its dynamic section is opened
// as a library: none of its code runs, and the loader and the resolver see its tables, names and file
// as they are in the application. KESTRUNE_SYMBOLS_PROGRAM names another program; without one that can
// be loaded, this benchmark's own image is used (the label says which).
//
// The file builds at commits before the sorted symbol tables too (the table sizes are then left out),
// so that the same benchmark can time the path it replaced.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/symbolication/CRKSymbolResolver.h"
#include "reporting/crash/symbolication/CRKSymbolicationOperation.h"
#if __has_include("reporting/crash/symbolication/CRKELFFunctionSymbolTable.h")
#include "reporting/crash/symbolication/CRKELFFunctionSymbolTable.h"
#include "reporting/crash/symbolication/CRKLoaderSymbolTable.h"
#include "tests/reporting/crash/symbolication/ELFSymbolFixtures.h"
#define KESTRUNE_SORTED_SYMBOL_TABLES 1
#endif

namespace {

constexpr uint64_t kShift = 0x10000000;  // the crashed run had the program this much higher

struct Program {
    std::string label;
    std::string path;    // the file the loader opened (a copy of the program)
    std::string folder;  // to remove at the end
    uint64_t loadAddress = 0;
    std::string record;                       // the binary-image record naming it
    std::vector<uint64_t> functionAddresses;  // in the file's numbering: one inside each function
    bool ready = false;
    std::string problem;

    ~Program() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
};

bool readAt(int fd, uint64_t offset, void* out, size_t size) {
    return pread(fd, out, size, off_t(offset)) == ssize_t(size);
}

// Clears the "position-independent executable" flag and turns the entries that run code when the file
// is opened or closed into debugger entries, which the loader passes over in a library.
bool makeLoadable(const std::string& path, std::string* problem) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *problem = "cannot open the copy";
        return false;
    }
    ElfW(Ehdr) header;
    bool ok = readAt(fd, 0, &header, sizeof header) && memcmp(header.e_ident, ELFMAG, SELFMAG) == 0;
    for (unsigned i = 0; ok && i < header.e_phnum; i++) {
        ElfW(Phdr) ph;
        if (!readAt(fd, header.e_phoff + i * sizeof ph, &ph, sizeof ph)) ok = false;
        if (!ok || ph.p_type != PT_DYNAMIC) continue;
        for (uint64_t at = ph.p_offset; at + sizeof(ElfW(Dyn)) <= ph.p_offset + ph.p_filesz;
             at += sizeof(ElfW(Dyn))) {
            ElfW(Dyn) entry;
            if (!readAt(fd, at, &entry, sizeof entry) || entry.d_tag == DT_NULL) break;
            switch (entry.d_tag) {
                case DT_FLAGS_1:
                    entry.d_un.d_val &= ~uint64_t(DF_1_PIE);
                    break;
                case DT_INIT:
                case DT_FINI:
                case DT_INIT_ARRAY:
                case DT_INIT_ARRAYSZ:
                case DT_FINI_ARRAY:
                case DT_FINI_ARRAYSZ:
                case DT_PREINIT_ARRAY:
                case DT_PREINIT_ARRAYSZ:
                    entry.d_tag = DT_DEBUG;
                    break;
                default:
                    continue;
            }
            if (pwrite(fd, &entry, sizeof entry, off_t(at)) != ssize_t(sizeof entry)) ok = false;
        }
    }
    close(fd);
    if (!ok) *problem = "not an ELF file this benchmark can patch";
    return ok;
}

// One address inside each function of the file's own table, sorted, each function once.
std::vector<uint64_t> functionAddressesOf(const std::string& path) {
    std::vector<uint64_t> addresses;
    reporting::CRKELFFile file;
    if (!reporting::CRKELFFileInitWithPath(&file, path.c_str())) return addresses;
    const auto* bytes = static_cast<const uint8_t*>(file.mappedFile);
    ElfW(Ehdr) header;
    memcpy(&header, bytes, sizeof header);
    for (unsigned i = 0; i < header.e_shnum; i++) {
        ElfW(Shdr) section;
        if (header.e_shoff + (i + 1) * sizeof section > file.mappedSize) break;
        memcpy(&section, bytes + header.e_shoff + i * sizeof section, sizeof section);
        if (section.sh_type != SHT_SYMTAB || section.sh_offset + section.sh_size > file.mappedSize) continue;
        for (uint64_t at = 0; at + sizeof(ElfW(Sym)) <= section.sh_size; at += sizeof(ElfW(Sym))) {
            ElfW(Sym) sym;
            memcpy(&sym, bytes + section.sh_offset + at, sizeof sym);
            // Past the first few bytes, where a return address lies in a function of some length.
            if (ELF64_ST_TYPE(sym.st_info) == STT_FUNC && sym.st_shndx != SHN_UNDEF && sym.st_value != 0 &&
                sym.st_size >= 8)
                addresses.push_back(sym.st_value + sym.st_size / 2);
        }
    }
    reporting::CRKELFFileDestroy(&file);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

std::string identifierOf(const std::string& path) {
    reporting::CRKELFFile file;
    if (!reporting::CRKELFFileInitWithPath(&file, path.c_str())) return "";
    reporting::CRKELFImageInfo info{};
    const bool read = reporting::CRKELFFileReadInfo(&file, &info);
    reporting::CRKELFFileDestroy(&file);
    if (!read || !info.hasBuildID) return "";
    char hex[33];
    reporting::CRKHexEncodeBytes(info.uuid, 16, hex);
    return hex;
}

std::string programToLoad() {
    if (const char* named = std::getenv("KESTRUNE_SYMBOLS_PROGRAM"); named && *named) return named;
    const auto build = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    // The RelWithDebInfo program, whose size the launch's numbers were taken with, else this build's.
    for (const auto& candidate : {build.parent_path() / "app" / "kestrune", build / "kestrune"}) {
        if (std::filesystem::exists(candidate)) return candidate.string();
    }
    return "";
}

bool finish(Program& program, const std::string& uuid, uint64_t textSize) {
    program.record = program.folder + "/binary_images.crkrecord";
    FILE* out = fopen(program.record.c_str(), "w");
    if (!out) return false;
    fprintf(out, "{\"load\":{\"path\":\"%s\",\"uuid\":\"%s\",\"base\":%llu,\"size\":%llu}}\n",
            program.path.c_str(), uuid.c_str(), (unsigned long long)(program.loadAddress + kShift),
            (unsigned long long)textSize);
    fclose(out);
    std::erase_if(program.functionAddresses, [&](uint64_t a) { return a >= textSize; });
    program.ready = program.functionAddresses.size() >= 14;
    if (!program.ready) program.problem = "too few functions";
    return program.ready;
}

Program& program() {
    static Program loaded = [] {
        Program p;
        char pattern[] = "/tmp/kestrune-symbolication-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made) {
            p.problem = "no temporary folder";
            return p;
        }
        p.folder = made;
        reporting::CRKBinaryImageDetails details{};
        const std::string source = programToLoad();
        if (!source.empty()) {
            p.path = p.folder + "/" + std::filesystem::path(source).filename().string();
            std::error_code error;
            std::filesystem::copy_file(source, p.path, error);
            std::string uuid = identifierOf(p.path);
            if (!error && !uuid.empty() && makeLoadable(p.path, &p.problem)) {
                if (dlopen(p.path.c_str(), RTLD_NOW | RTLD_LOCAL) &&
                    reporting::CRKBinaryImageFindImageForUUID(uuid.c_str(), &details)) {
                    p.label = source;
                    p.loadAddress = details.loadAddress;
                    p.functionAddresses = functionAddressesOf(p.path);
                    if (finish(p, uuid, details.textSize)) return p;
                } else if (const char* why = dlerror()) {
                    p.problem = why;
                }
            }
            fprintf(stderr, "symbolication_bench: %s not loaded (%s); naming this benchmark's own image\n",
                    source.c_str(), p.problem.c_str());
        }
        p.path = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string uuid = identifierOf(p.path);
        if (uuid.empty() || !reporting::CRKBinaryImageFindImageForUUID(uuid.c_str(), &details)) {
            p.problem = "this benchmark has no build identifier";
            return p;
        }
        p.label = p.path + " (own image)";
        p.loadAddress = details.loadAddress;
        p.functionAddresses = functionAddressesOf(p.path);
        finish(p, uuid, details.textSize);
        return p;
    }();
    return loaded;
}

// One report: a resolver that reads the record, and every frame of the one thread named.
size_t symbolicate(const Program& p, const std::vector<uint64_t>& fileAddresses, benchmark::State& state) {
    state.PauseTiming();
    auto threads = std::make_shared<reporting::CRKThreadArray>(1);
    (*threads)[0].reserve(fileAddresses.size());
    for (const uint64_t address : fileAddresses)
        (*threads)[0].push_back(
            reporting::CRKStackFrame::stackFrameWithAddress(p.loadAddress + kShift + address));
    state.ResumeTiming();
    auto resolver = std::make_shared<reporting::CRKSymbolResolver>();
    resolver->loadBinaryImagesFromFile(p.record);
    reporting::CRKSymbolicationOperation(threads, resolver).start();
    size_t named = 0;
    for (const auto& frame : (*threads)[0]) named += frame->symbol.has_value();
    return named;
}

void reportNamed(benchmark::State& state, size_t named, size_t frames) {
    state.counters["frames"] = double(frames);
    state.counters["named_share"] = frames ? double(named) / double(frames) : 0;
}

void BM_RecursionRepeated(benchmark::State& state) {
    const Program& p = program();
    if (!p.ready) {
        state.SkipWithError(p.problem.c_str());
        return;
    }
    // 14 functions from across the program, the recursion's cycle, repeated to the record's length.
    std::vector<uint64_t> cycle;
    for (size_t i = 0; i < 14; i++)
        cycle.push_back(p.functionAddresses[(i * 2 + 1) * p.functionAddresses.size() / 28]);
    std::vector<uint64_t> frames;
    for (int64_t i = 0; i < state.range(0); i++) frames.push_back(cycle[size_t(i) % cycle.size()]);
    size_t named = 0;
    for (auto _ : state) named = symbolicate(p, frames, state);
    state.SetLabel(p.label);
    reportNamed(state, named, frames.size());
}
BENCHMARK(BM_RecursionRepeated)->Arg(100'000)->Arg(600'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DistinctAddresses(benchmark::State& state) {
    const Program& p = program();
    if (!p.ready) {
        state.SkipWithError(p.problem.c_str());
        return;
    }
    // Spread over the whole program; where it has fewer functions, more addresses in each.
    std::vector<uint64_t> frames;
    const size_t wanted = size_t(state.range(0));
    for (uint64_t step = 0; frames.size() < wanted && step < 64; step++) {
        for (const uint64_t address : p.functionAddresses) {
            if (frames.size() == wanted) break;
            frames.push_back(address + step);
        }
    }
    // In no order, as a record's threads would give them.
    for (size_t i = frames.size(); i > 1; i--) std::swap(frames[i - 1], frames[(i * 2654435761u) % i]);
    size_t named = 0;
    for (auto _ : state) named = symbolicate(p, frames, state);
    state.SetLabel(p.label);
    reportNamed(state, named, frames.size());
    state.counters["program_functions"] = double(p.functionAddresses.size());
}
BENCHMARK(BM_DistinctAddresses)->Arg(20'000)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef KESTRUNE_SORTED_SYMBOL_TABLES
// What a report keeps of the program: its file's sorted function symbols and the loader's names.
void BM_ProgramTablesMemory(benchmark::State& state) {
    const Program& p = program();
    if (!p.ready) {
        state.SkipWithError(p.problem.c_str());
        return;
    }
    size_t fileBytes = 0, loaderBytes = 0, fileSymbols = 0, loaderSymbols = 0;
    for (auto _ : state) {
        const auto file = reporting::CRKELFFunctionSymbolTable::tableWithPath(p.path);
        const auto loader = reporting::CRKLoaderSymbolTable::tableForImageAt(p.loadAddress);
        fileBytes = file.memoryBytes();
        fileSymbols = file.symbolCount();
        loaderBytes = loader ? loader->memoryBytes() : 0;
        loaderSymbols = loader ? loader->symbolCount() : 0;
    }
    state.SetLabel(p.label);
    state.counters["file_table_MB"] = double(fileBytes) / 1e6;
    state.counters["file_symbols"] = double(fileSymbols);
    state.counters["loader_table_MB"] = double(loaderBytes) / 1e6;
    state.counters["loader_symbols"] = double(loaderSymbols);
}
BENCHMARK(BM_ProgramTablesMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// A file table ten and a hundred times the program's (22,000 functions): what reading it costs, and
// that an address costs about the same at every size. Functions of all lengths, nested ones and ones
// without a size among them.
const std::vector<uint8_t>& fileOfFunctions(size_t count) {
    static std::map<size_t, std::vector<uint8_t>> made;
    auto& bytes = made[count];
    if (!bytes.empty()) return bytes;
    elffixtures::CraftedTable table = elffixtures::symtab("", {});
    table.strings.assign(1, '\0');
    uint64_t address = 0x1000;
    for (size_t i = 0; i < count; i++) {
        const uint32_t name = uint32_t(table.strings.size());
        table.strings += "_ZN8kestrune8function" + std::to_string(i) + "Ev";
        table.strings += '\0';
        const uint64_t size = i % 7 == 3 ? 0 : 16 + (i * 40503u) % 2048;
        table.symbols.push_back({name, address, size});
        if (i % 11 == 5) table.symbols.push_back({name, address + 8, size / 4});  // a part nested inside
        address += size + 16;
    }
    bytes = elffixtures::craftELF({table});
    return bytes;
}

void BM_FileTableRead(benchmark::State& state) {
    const auto& bytes = fileOfFunctions(size_t(state.range(0)));
    size_t memory = 0;
    for (auto _ : state) {
        const auto table = reporting::CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size());
        memory = table.memoryBytes();
    }
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
    state.counters["table_MB"] = double(memory) / 1e6;
}
BENCHMARK(BM_FileTableRead)->Arg(220'000)->Arg(2'200'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FileTableAddress(benchmark::State& state) {
    const auto& bytes = fileOfFunctions(size_t(state.range(0)));
    const auto table = reporting::CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size());
    uint64_t top = 0;
    for (const auto& [start, size] : elffixtures::functionSymbolsOf(bytes.data(), bytes.size()))
        top = std::max(top, start + size);
    uint64_t address = 0x1000;
    size_t named = 0;
    for (auto _ : state) {
        address = 0x1000 + (address * 6364136223846793005ull + 1442695040888963407ull) % top;
        std::string_view name;
        uint64_t start = 0;
        named += table.findFunctionSymbol(address, &name, &start);
        benchmark::DoNotOptimize(name);
    }
    state.counters["named_share"] = double(named) / double(state.iterations());
}
BENCHMARK(BM_FileTableAddress)->Arg(22'000)->Arg(220'000)->Arg(2'200'000);
#endif

}  // namespace

BENCHMARK_MAIN();
