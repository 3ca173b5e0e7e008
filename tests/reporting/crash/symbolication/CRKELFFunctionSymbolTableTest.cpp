#include "reporting/crash/symbolication/CRKELFFunctionSymbolTable.h"

#include <dlfcn.h>
#include <elf.h>
#include <gnu/libc-version.h>
#include <gtest/gtest.h>
#include <link.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>

#include "tests/reporting/crash/symbolication/ELFSymbolFixtures.h"

namespace {

using namespace reporting;
using namespace elffixtures;

// Both searches name every probed address alike; the count of addresses some symbol named.
size_t expectSameAsOneOffSearch(const uint8_t* bytes, size_t length, const CRKELFFunctionSymbolTable& table,
                                const std::vector<uint64_t>& probes, const std::string& what) {
    size_t named = 0;
    for (const uint64_t probe : probes) {
        const auto once = CRKELFBufferFindFunctionSymbol(bytes, length, probe);
        const auto sorted = table.functionSymbolForAddress(probe);
        EXPECT_EQ(once.has_value(), sorted.has_value()) << what << " at 0x" << std::hex << probe;
        if (!once || !sorted) continue;
        named++;
        EXPECT_EQ(once->name, sorted->name) << what << " at 0x" << std::hex << probe;
        EXPECT_EQ(once->start, sorted->start) << what << " at 0x" << std::hex << probe;
    }
    return named;
}

size_t expectSameAsOneOffSearch(const std::vector<uint8_t>& bytes, const CRKELFFunctionSymbolTable& table,
                                const std::vector<uint64_t>& probes, const std::string& what) {
    return expectSameAsOneOffSearch(bytes.data(), bytes.size(), table, probes, what);
}

std::string nameAt(const CRKELFFunctionSymbolTable& table, uint64_t address) {
    const auto symbol = table.functionSymbolForAddress(address);
    return symbol ? symbol->name : "(none)";
}

TEST(CRKELFFunctionSymbolTableTest, TheTablesRulesNameEachAddress) {
    constexpr uint64_t kHuge = UINT64_MAX - 8;
    // A section of its own for some of them, from 0x100 to 0x180 (the first section after the tables).
    const CraftedSection small = codeSection(".text.small", 0x100, 0x80);
    const struct {
        const char* what;
        std::vector<CraftedTable> tables;
        std::vector<std::pair<uint64_t, std::string>> expected;
    } cases[] = {
        {"a function nested in another: the greater start wins inside it",
         {symtab("\0outer\0inner\0", {{1, 0x10, 0x30}, {7, 0x20, 0x8}})},
         {{0x0f, "(none)"},
          {0x10, "outer"},
          {0x1f, "outer"},
          {0x20, "inner"},
          {0x27, "inner"},
          {0x28, "outer"},
          {0x3f, "outer"},
          {0x40, "(none)"}}},
        {"a function whose size holds the address before a nearer one without a size",
         {symtab("\0sized\0loose\0", {{1, 0x10, 0x30}, {7, 0x30, 0}})},
         {{0x35, "sized"}, {0x40, "loose"}, {0x1000, "loose"}}},
        {"without sizes, the nearest start below",
         {symtab("\0a\0b\0", {{1, 0x10, 0}, {3, 0x20, 0}})},
         {{0x0f, "(none)"}, {0x1f, "a"}, {0x20, "b"}, {0x99, "b"}}},
        {"without a size, up to the next function's start in either table: the padding after a sized "
         "one is no one's",
         {symtab("\0loose\0sized\0", {{1, 0x10, 0}, {7, 0x40, 0x10}}), dynsym("\0other\0", {{1, 0x38, 0x4}})},
         {{0x37, "loose"},
          {0x38, "other"},
          {0x3c, "(none)"},
          {0x40, "sized"},
          {0x50, "(none)"},
          {0x9000, "(none)"}}},
        {"without a size, up to its section's end",
         {symtab("\0inside\0below\0", {{1, 0x140, 0, STT_FUNC, addedSection(1, 0)}, {8, 0x20, 0}})},
         {{0xff, "below"},
          {0x100, "below"},
          {0x13f, "below"},
          {0x140, "inside"},
          {0x17f, "inside"},
          {0x180, "(none)"}}},
        {"without a size, outside its section or naming none: only its own address",
         {symtab("\0outside\0absolute\0nowhere\0", {{1, 0x300, 0, STT_FUNC, addedSection(1, 0)},
                                                    {9, 0x400, 0, STT_FUNC, SHN_ABS},
                                                    {18, 0x500, 0, STT_FUNC, 0x7777}})},
         {{0x300, "outside"},
          {0x301, "(none)"},
          {0x400, "absolute"},
          {0x401, "(none)"},
          {0x500, "nowhere"},
          {0x501, "(none)"}}},
        {"equal starts: the table's earlier symbol, until it ends",
         {symtab("\0first\0second\0", {{1, 0x10, 0x10}, {7, 0x10, 0x20}})},
         {{0x15, "first"}, {0x1f, "first"}, {0x20, "second"}, {0x2f, "second"}}},
        {".symtab before .dynsym, .dynsym where .symtab names nothing",
         {symtab("\0local\0", {{1, 0x10, 0x10}}),
          dynsym("\0exported\0tail\0", {{1, 0x10, 0x10}, {10, 0x28, 0}})},
         {{0x18, "local"}, {0x30, "tail"}}},
        {"a name running past its string table: the next table's",
         {symtab("\0ok\0unterminated", {{1, 0x10, 0x10}, {4, 0x20, 0x10}}),
          dynsym("\0exported\0", {{1, 0x20, 0x10}})},
         {{0x18, "ok"}, {0x28, "exported"}}},
        {"an empty name: the next table's",
         {symtab("\0\0", {{1, 0x10, 0x10}}), dynsym("\0exported\0", {{1, 0x10, 0x10}})},
         {{0x18, "exported"}}},
        {"a name offset past its string table: that symbol is passed over",
         {symtab("\0below\0", {{1, 0x10, 0}, {99, 0x20, 0x10}})},
         {{0x28, "below"}}},
        {"objects, undefined symbols and address zero name nothing",
         {symtab("\0object\0undefined\0zero\0",
                 {{1, 0x10, 0x10, STT_OBJECT}, {8, 0x10, 0x10, STT_FUNC, SHN_UNDEF}, {18, 0, 0x100}})},
         {{0x18, "(none)"}, {0x50, "(none)"}}},
        {"a size running past the top holds every address above its start",
         {symtab("\0all\0near\0", {{1, 0x10, UINT64_MAX}, {5, kHuge, 4}})},
         {{0x10, "all"}, {kHuge - 1, "all"}, {kHuge + 3, "near"}, {kHuge + 4, "all"}, {UINT64_MAX, "all"}}},
        {"two symbol tables: each name from its own string table",
         {symtab("\0aaaa\0", {{1, 0x10, 0}}), symtab("\0bbbb\0", {{1, 0x10, 0x10}})},
         {{0x18, "bbbb"}, {0x20, "aaaa"}}},
    };
    for (const auto& c : cases) {
        const auto bytes = craftELF(c.tables, {small});
        const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size());
        EXPECT_EQ(table.problem(), "") << c.what;
        std::vector<uint64_t> probes;
        for (const auto& [address, name] : c.expected) {
            EXPECT_EQ(nameAt(table, address), name) << c.what << " at 0x" << std::hex << address;
            probes.push_back(address);
        }
        expectSameAsOneOffSearch(bytes, table, probes, c.what);
    }
}

TEST(CRKELFFunctionSymbolTableTest, RandomTablesAreNamedAsTheOneOffSearchNamesThem) {
    // Overlapping, nested, tied, unsized and damaged symbols in every mix: the sorted table must agree
    // with the scan at every address.
    std::mt19937_64 random(20240611);
    const auto pick = [&random](uint64_t below) { return below == 0 ? 0 : random() % below; };
    size_t named = 0;
    for (int round = 0; round < 400; round++) {
        std::vector<CraftedTable> tables;
        const int count = 1 + int(pick(3));
        for (int t = 0; t < count; t++) {
            CraftedTable table = pick(3) == 0 ? dynsym("", {}) : symtab("", {});
            table.strings = std::string(1, '\0');
            for (int n = 0; n < 6; n++)
                table.strings += std::string(1 + pick(3), char('a' + pick(26))) + '\0';
            if (pick(3) == 0) table.strings += "tail";  // a name that runs past its table
            const int symbols = int(pick(14));
            for (int s = 0; s < symbols; s++) {
                CraftedSymbol symbol;
                symbol.name = uint32_t(pick(table.strings.size() + 3));
                symbol.value = pick(8) == 0 ? UINT64_MAX - pick(0x40) : pick(0x140);
                const uint64_t sizes[] = {0, 0, 1 + pick(0x20), 1 + pick(0x100), UINT64_MAX - pick(0x40)};
                symbol.size = sizes[pick(5)];
                const unsigned char types[] = {STT_FUNC, STT_FUNC, STT_FUNC, STT_GNU_IFUNC, STT_OBJECT};
                symbol.type = types[pick(5)];
                const uint16_t sections[] = {kCodeSection, kCodeSection, addedSection(uint16_t(count), 0),
                                             SHN_ABS,      0x7777,       SHN_UNDEF};
                symbol.section = sections[pick(6)];
                table.symbols.push_back(symbol);
            }
            tables.push_back(table);
        }
        // Some symbols lie in a section from 0x40 to 0xc0, some outside it or in none.
        const auto bytes = craftELF(tables, {codeSection(".text.small", 0x40, 0x80)});
        const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size());
        std::vector<uint64_t> probes;
        for (uint64_t address = 0; address < 0x180; address++) probes.push_back(address);
        for (uint64_t below = 0; below < 0x48; below++) probes.push_back(UINT64_MAX - below);
        named += expectSameAsOneOffSearch(bytes, table, probes, "round " + std::to_string(round));
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(named, 10000u);  // the rounds named addresses, not only left them unnamed
}

TEST(CRKELFFunctionSymbolTableTest, RealImagesAreNamedAsTheOneOffSearchNamesThem) {
    // A program linked as the application is (its functions exported), the C library and the unwinding
    // tests' library: their function symbols' edges and
    // addresses spread over their code.
    std::vector<std::string> paths = {SYMBOLICATION_CHILD_PATH, KESTRUNE_UNWIND_CHAIN_LIBRARY};
    Dl_info info{};
    // A function of the C library that no sanitizer puts its own in place of (strlen's is the runtime's).
    if (dladdr(reinterpret_cast<const void*>(&gnu_get_libc_version), &info) && info.dli_fname)
        paths.push_back(info.dli_fname);
    std::mt19937_64 random(7);
    for (const std::string& path : paths) {
        const MappedFile file(path);
        ASSERT_GT(file.size(), 0u) << path;
        const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(file.data(), file.size());
        EXPECT_EQ(table.problem(), "") << path;
        const auto functions = functionSymbolsOf(file.data(), file.size());
        ASSERT_GT(functions.size(), 2u) << path;
        std::vector<uint64_t> probes;
        for (int i = 0; i < 40; i++) {
            const auto& [start, size] = functions[random() % functions.size()];
            for (const uint64_t probe :
                 {start - 1, start, start + 1, start + size - 1, start + size, start + size + 1})
                probes.push_back(probe);
        }
        uint64_t top = 0;
        for (const auto& function : functions) top = std::max(top, function.first + function.second);
        for (uint64_t address = 0; address < top + 0x100; address += top / 60 + 1) probes.push_back(address);
        // A library with only its exported names (the C library) leaves the gaps between them unnamed: a
        // probe past an edge often names nothing, one at or inside it always names something.
        EXPECT_GT(expectSameAsOneOffSearch(file.data(), file.size(), table, probes, path), probes.size() / 3)
            << path;
        EXPECT_EQ(table.functionSymbolForAddress(0), std::nullopt);
    }
}

// A stop ends the reading of a table inside its symbols, not only between stages: a table of 20,000
// functions asks it several times while they are gathered, and once it answers true the table names
// nothing and says it was stopped. A stop that never comes leaves the table as read without one.
TEST(CRKELFFunctionSymbolTableTest, AStopEndsTheReadingAmongTheSymbolsAndTheTableNamesNothing) {
    CraftedTable crafted = symtab("", {});
    crafted.strings.assign(1, '\0');
    constexpr uint64_t kFunctions = 20000;
    for (uint64_t i = 0; i < kFunctions; i++) {
        const uint32_t name = uint32_t(crafted.strings.size());
        crafted.strings += "function" + std::to_string(i);
        crafted.strings += '\0';
        crafted.symbols.push_back({name, 0x1000 + 32 * i, 32});
    }
    const auto bytes = craftELF({crafted});
    const uint64_t probe = 0x1000 + 32 * 12345 + 5;
    const auto whole = CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size());
    ASSERT_EQ(nameAt(whole, probe), "function12345");

    size_t asked = 0;
    const auto unstopped = CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size(),
                                                                      [&] { return ++asked, false; });
    EXPECT_EQ(unstopped.symbolCount(), whole.symbolCount());
    EXPECT_EQ(nameAt(unstopped, probe), "function12345");
    const size_t askedWhole = asked;
    // The symbols' own asks come first: stopped at the second of them, still among the symbols.
    asked = 0;
    const auto stopped =
        CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size(), [&] { return ++asked >= 2; });
    EXPECT_EQ(stopped.problem(), CRKELFFunctionSymbolTable::kStopped);
    EXPECT_EQ(stopped.symbolCount(), 0u);
    EXPECT_EQ(nameAt(stopped, probe), "(none)");
    EXPECT_EQ(asked, 2u);
    EXPECT_GT(askedWhole, 5u) << "asked only between the stages, five times";
}

#if defined(__x86_64__)
// An x86-64 linkage stub at `address`: `lead` bytes, `jmp *slot(%rip)`, then `tail`, padded with nops.
std::vector<uint8_t> jumpStub(uint64_t address, size_t size, std::vector<uint8_t> lead, uint64_t slot,
                              const std::vector<uint8_t>& tail = {}) {
    std::vector<uint8_t> stub = std::move(lead);
    const auto displacement = int32_t(slot - (address + stub.size() + 6));
    stub.insert(stub.end(), {0xff, 0x25});
    stub.insert(stub.end(), reinterpret_cast<const uint8_t*>(&displacement),
                reinterpret_cast<const uint8_t*>(&displacement) + 4);
    stub.insert(stub.end(), tail.begin(), tail.end());
    stub.resize(size, 0x90);
    return stub;
}

std::vector<uint8_t> relocations(const std::vector<ElfW(Rela)>& entries) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(entries.data());
    return std::vector<uint8_t>(bytes, bytes + entries.size() * sizeof(ElfW(Rela)));
}

TEST(CRKELFFunctionSymbolTableTest, LinkageStubsAreNamedAfterTheFunctionTheirSlotIsFilledWith) {
    // The three kinds of linkage section as the linker lays them out: the lazy .plt (the binder's stub
    // first), .plt.sec with branch markers (with and without `bnd`), .plt.got's 8-byte stubs; slots at
    // 0x3000 up. Below them a function without a size, whose section holds every address.
    const std::vector<uint8_t> push = {0x68, 0, 0, 0, 0, 0xe9, 0, 0, 0, 0};
    const std::vector<uint8_t> endBranch = {0xf3, 0x0f, 0x1e, 0xfa};
    std::vector<uint8_t> plt = {0xff, 0x35, 0xea, 0x1f, 0, 0};  // push the binder's argument
    for (const auto& part : {jumpStub(0x1006, 10, {}, 0x2ff0), jumpStub(0x1010, 16, {}, 0x3000, push),
                             jumpStub(0x1020, 16, {}, 0x3008, push)})
        plt.insert(plt.end(), part.begin(), part.end());
    std::vector<uint8_t> pltSec = jumpStub(0x1100, 16, {0xf3, 0x0f, 0x1e, 0xfa, 0xf2}, 0x3010);
    const auto plain = jumpStub(0x1110, 16, endBranch, 0x3020);
    pltSec.insert(pltSec.end(), plain.begin(), plain.end());
    std::vector<uint8_t> pltGot = jumpStub(0x1200, 8, {}, 0x3018, {0x66, 0x90});
    const auto wrongKind = jumpStub(0x1208, 8, {}, 0x3028, {0x66, 0x90});
    pltGot.insert(pltGot.end(), wrongKind.begin(), wrongKind.end());
    const auto info = [](uint64_t symbol, uint32_t type) { return ELF64_R_INFO(symbol, type); };
    const std::vector<CraftedTable> tables = {
        symtab("\0below\0", {{1, 0x800, 0}}),
        dynsym("\0puts\0_ZN3foo3barEv\0strlen\0__cxa_finalize\0wrong\0", {{},
                                                                          {1, 0, 0, STT_FUNC, SHN_UNDEF},
                                                                          {6, 0, 0, STT_FUNC, SHN_UNDEF},
                                                                          {20, 0, 0, STT_FUNC, SHN_UNDEF},
                                                                          {27, 0, 0, STT_FUNC, SHN_UNDEF},
                                                                          {42, 0, 0, STT_FUNC, SHN_UNDEF}})};
    const uint32_t symbols = tableSection(1);
    const auto bytes = craftELF(
        tables, {{".plt", SHT_PROGBITS, 0x1000, 0, plt, 16},
                 {".plt.sec", SHT_PROGBITS, 0x1100, 0, pltSec, 16},
                 {".plt.got", SHT_PROGBITS, 0x1200, 0, pltGot, 8},
                 {".rela.plt", SHT_RELA, 0, 0,
                  relocations({{0x3000, info(1, R_X86_64_JUMP_SLOT), 0},
                               {0x3008, info(0, R_X86_64_IRELATIVE), 0x800},
                               {0x3010, info(2, R_X86_64_JUMP_SLOT), 0},
                               {0x3020, info(3, R_X86_64_JUMP_SLOT), 0},
                               {0x3028, info(5, R_X86_64_JUMP_SLOT), 0}}),
                  sizeof(ElfW(Rela)), symbols},
                 {".rela.dyn", SHT_RELA, 0, 0, relocations({{0x3018, info(4, R_X86_64_GLOB_DAT), 0}}),
                  sizeof(ElfW(Rela)), symbols}});
    const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(bytes.data(), bytes.size());
    EXPECT_EQ(table.problem(), "");
    const struct {
        uint64_t address;
        std::string name;
        uint64_t start;
    } expected[] = {
        {0x7ff, "(none)", 0},
        {0xfff, "below", 0x800},
        {0x1000, "(none)", 0},  // the binder's stub
        {0x100f, "(none)", 0},
        {0x1010, "puts@plt", 0x1010},
        {0x1016, "puts@plt", 0x1010},
        {0x101f, "puts@plt", 0x1010},
        {0x1020, "(none)", 0},  // an indirect function's slot: no name to give
        {0x102f, "(none)", 0},
        {0x1100, "_ZN3foo3barEv@plt", 0x1100},
        {0x110f, "_ZN3foo3barEv@plt", 0x1100},
        {0x1116, "strlen@plt", 0x1110},
        {0x1200, "__cxa_finalize@plt", 0x1200},
        {0x1207, "__cxa_finalize@plt", 0x1200},
        {0x1208, "(none)", 0},  // its slot's relocation is a jump slot's, not a GOT entry's
        {0x1210, "below", 0x800},
    };
    std::vector<uint64_t> probes;
    for (const auto& e : expected) {
        const auto symbol = table.functionSymbolForAddress(e.address);
        EXPECT_EQ(symbol ? symbol->name : "(none)", e.name) << std::hex << e.address;
        if (symbol) {
            EXPECT_EQ(symbol->start, e.start) << std::hex << e.address;
        }
        probes.push_back(e.address);
    }
    expectSameAsOneOffSearch(bytes, table, probes, "linkage stubs");

    // A linkage section whose bytes lie past the file's end is said to be damaged and names nothing.
    auto damaged = bytes;
    ElfW(Ehdr) header;
    memcpy(&header, damaged.data(), sizeof header);
    ElfW(Shdr) section;
    const size_t at = header.e_shoff + addedSection(tables.size(), 0) * sizeof section;
    memcpy(&section, damaged.data() + at, sizeof section);
    section.sh_offset = damaged.size() - 8;
    memcpy(damaged.data() + at, &section, sizeof section);
    const auto damagedTable = CRKELFFunctionSymbolTable::tableWithBuffer(damaged.data(), damaged.size());
    EXPECT_NE(damagedTable.problem(), "");
    EXPECT_EQ(nameAt(damagedTable, 0x1010), "below");
    EXPECT_EQ(nameAt(damagedTable, 0x1100), "_ZN3foo3barEv@plt");
    expectSameAsOneOffSearch(damaged, damagedTable, probes, "a damaged linkage section");
}
#endif

// The disassembler's labels in a file's linkage sections: address and name, in order.
std::vector<std::pair<uint64_t, std::string>> linkageLabels(const std::string& path) {
    std::vector<std::pair<uint64_t, std::string>> labels;
    const std::string command = "objdump -d -w -j .plt -j .plt.sec -j .plt.got '" + path + "' 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (!out) return labels;
    char line[4096];
    while (fgets(line, sizeof line, out)) {
        // "0000000000001030 <puts@plt>:"
        std::string_view text(line);
        if (text.ends_with('\n')) text.remove_suffix(1);
        const size_t open = text.find(" <");
        if (open == 0 || open == std::string_view::npos || !text.ends_with(">:") ||
            text.substr(0, open).find_first_not_of("0123456789abcdef") != std::string_view::npos)
            continue;
        labels.emplace_back(std::stoull(std::string(text.substr(0, open)), nullptr, 16),
                            std::string(text.substr(open + 2, text.size() - open - 4)));
    }
    pclose(out);
    return labels;
}

TEST(CRKELFFunctionSymbolTableTest, RealImagesNameTheirLinkageStubsAndPaddingAsTheDebuggerDoes) {
    // The program linked as the application is, this test program, the C library and the C++ one.
    std::vector<std::string> paths = {SYMBOLICATION_CHILD_PATH,
                                      std::filesystem::read_symlink("/proc/self/exe").string()};
    for (const void* function : {reinterpret_cast<const void*>(&gnu_get_libc_version),
                                 reinterpret_cast<const void*>(&std::terminate)}) {
        Dl_info info{};
        if (dladdr(function, &info) && info.dli_fname) paths.push_back(info.dli_fname);
    }
    ASSERT_EQ(paths.size(), 4u);
    std::mt19937_64 random(3);
    size_t paddings = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const MappedFile file(path);
        ASSERT_GT(file.size(), 0u);
        const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(file.data(), file.size());
        EXPECT_EQ(table.problem(), "");

        // Each stub as the disassembler (and the debugger) names it, from its first byte to the one
        // before the next label; the binder's stub ("name@plt-0x10") and those of indirect functions
        // ("*ABS*+0x...@plt") get no name.
        const auto labels = linkageLabels(path);
        ASSERT_GT(labels.size(), 2u) << "objdump found no linkage stubs";
        std::vector<uint64_t> probes;
        size_t named = 0;
        for (size_t i = 0; i < labels.size(); i++) {
            const auto& [address, name] = labels[i];
            const bool hasName = name.ends_with("@plt") && name.find("*ABS*") == std::string::npos;
            named += hasName;
            std::vector<uint64_t> at = {address, address + 6};
            if (i + 1 < labels.size() && labels[i + 1].first - address <= 16)
                at.push_back(labels[i + 1].first - 1);
            for (const uint64_t probe : at) {
                const auto symbol = table.functionSymbolForAddress(probe);
                EXPECT_EQ(symbol ? symbol->name : "(none)", hasName ? name : "(none)") << std::hex << probe;
                if (symbol && hasName) {
                    EXPECT_EQ(symbol->start, address) << std::hex << probe;
                }
            }
            if (i % 100 == 0) probes.push_back(address + 6);
        }
        EXPECT_GT(named, 0u);

        // The bytes after a function of known size and before the next function are no function's,
        // however near an unsized one lies below (the program's start-up functions have no size).
        auto functions = functionSymbolsOf(file.data(), file.size());
        std::sort(functions.begin(), functions.end());
        functions.erase(std::unique(functions.begin(), functions.end()), functions.end());
        std::vector<uint64_t> reach(functions.size());  // the furthest end of the functions up to each
        uint64_t lowestUnsized = UINT64_MAX;
        for (size_t i = 0; i < functions.size(); i++) {
            const auto& [start, size] = functions[i];
            reach[i] = std::max(i ? reach[i - 1] : 0, start + size);
            if (size == 0) lowestUnsized = std::min(lowestUnsized, start);
        }
        size_t padded = 0;
        for (int tries = 0; tries < 5000 && padded < 40; tries++) {
            const size_t i = random() % functions.size();
            const auto& [start, size] = functions[i];
            const uint64_t end = start + size;
            // The next function starts past the end, no other function holds it, and none without a
            // size starts where this one does.
            if (size == 0 || i + 1 == functions.size() || functions[i + 1].first <= end || reach[i] > end ||
                (i > 0 && functions[i - 1].first == start))
                continue;
            EXPECT_EQ(nameAt(table, end), "(none)") << std::hex << end;
            if (padded++ % 4 == 0) probes.push_back(end);
            paddings += lowestUnsized < start;
        }
        expectSameAsOneOffSearch(file.data(), file.size(), table, probes, path);
    }
    EXPECT_GT(paddings, 0u);  // padding that a name of no size was once stretched over
}

TEST(CRKELFFunctionSymbolTableTest, DamagedAndTruncatedFilesGiveSafeAnswers) {
    const std::vector<uint8_t> whole = MappedFile(KESTRUNE_UNWIND_CHAIN_LIBRARY).copy();
    ASSERT_GT(whole.size(), 4096u);
    const auto functions = functionSymbolsOf(whole.data(), whole.size());
    ASSERT_FALSE(functions.empty());
    std::vector<uint64_t> probes;
    for (const auto& [start, size] : functions) {
        for (const uint64_t probe : {start, start + size / 2, start + size}) probes.push_back(probe);
    }
    for (uint64_t address = 0; address < 0x8000; address += 0x40) probes.push_back(address);

    // Cut short anywhere: in the header, the tables or the section headers at the end.
    for (size_t length : {size_t(0), size_t(3), sizeof(ElfW(Ehdr)) - 1, sizeof(ElfW(Ehdr)), whole.size() / 3,
                          whole.size() / 2, whole.size() - 200, whole.size() - 1}) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
        const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(cut.data(), cut.size());
        EXPECT_NE(table.problem(), "") << length;
        expectSameAsOneOffSearch(cut, table, probes, "cut at " + std::to_string(length));
    }
    // Section headers whose fields point past the file or at nonsense.
    ElfW(Ehdr) header;
    memcpy(&header, whole.data(), sizeof header);
    const struct {
        const char* what;
        uint32_t kind;  // the kind of section damaged
        void (*damage)(ElfW(Shdr) &);
    } damages[] = {
        {"symbol tables running past the file", SHT_SYMTAB,
         [](ElfW(Shdr) & s) { s.sh_size = UINT64_MAX - 8; }},
        {"symbol tables lying past the file", SHT_SYMTAB,
         [](ElfW(Shdr) & s) { s.sh_offset = UINT64_MAX - 64; }},
        {"string tables running past the file", SHT_STRTAB, [](ElfW(Shdr) & s) { s.sh_size += 1 << 30; }},
        {"string table links past the headers", SHT_SYMTAB, [](ElfW(Shdr) & s) { s.sh_link = 0xffff; }},
        {"an entry size that is no symbol's", SHT_SYMTAB, [](ElfW(Shdr) & s) { s.sh_entsize = 0; }},
    };
    for (const auto& d : damages) {
        std::vector<uint8_t> damaged = whole;
        for (unsigned i = 0; i < header.e_shnum; i++) {
            ElfW(Shdr) section;
            const size_t at = header.e_shoff + i * sizeof section;
            memcpy(&section, damaged.data() + at, sizeof section);
            const bool symbols = section.sh_type == SHT_SYMTAB || section.sh_type == SHT_DYNSYM;
            if (d.kind == SHT_SYMTAB ? symbols : section.sh_type == d.kind) {
                d.damage(section);
                memcpy(damaged.data() + at, &section, sizeof section);
            }
        }
        const auto table = CRKELFFunctionSymbolTable::tableWithBuffer(damaged.data(), damaged.size());
        EXPECT_NE(table.problem(), "") << d.what;
        EXPECT_EQ(table.symbolCount(), 0u) << d.what;
        expectSameAsOneOffSearch(damaged, table, probes, d.what);
    }
    // And a file that is not there, or is no ELF image.
    EXPECT_NE(CRKELFFunctionSymbolTable::tableWithPath("/nonexistent/library.so").problem(), "");
    const std::string text =
        "not an image at all, but long enough to hold an ELF header's worth of bytes....";
    const auto plain = CRKELFFunctionSymbolTable::tableWithBuffer(text.data(), text.size());
    EXPECT_EQ(plain.functionSymbolForAddress(0x10), std::nullopt);
    EXPECT_NE(plain.problem(), "");
}

TEST(CRKELFFunctionSymbolTableTest, AFileIsReadWhenTheTableIsMadeAndNotAfter) {
    const std::string folder = ::testing::TempDir() + "/elf-table-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/copy.so";
    std::filesystem::copy_file(KESTRUNE_UNWIND_CHAIN_LIBRARY, path,
                               std::filesystem::copy_options::overwrite_existing);
    const auto bytes = MappedFile(path).copy();
    const auto functions = functionSymbolsOf(bytes.data(), bytes.size());
    ASSERT_FALSE(functions.empty());
    const uint64_t probe = functions.front().first;
    const auto expected = CRKELFBufferFindFunctionSymbol(bytes.data(), bytes.size(), probe);
    ASSERT_TRUE(expected);

    const auto table = CRKELFFunctionSymbolTable::tableWithPath(path);
    { std::ofstream(path, std::ios::trunc) << "gone"; }
    EXPECT_EQ(CRKELFFindFunctionSymbol(path, probe), std::nullopt);  // the file says nothing now
    const auto kept = table.functionSymbolForAddress(probe);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->name, expected->name);
    EXPECT_EQ(kept->start, expected->start);
    std::filesystem::remove_all(folder);
}

}  // namespace
