#include "reporting/crash/symbolication/CRKELFFunctionSymbolTable.h"

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>

#include <unistd.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

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
        const auto bytes = craftELF(c.tables);
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
                symbol.section = pick(10) == 0 ? SHN_UNDEF : 1;
                table.symbols.push_back(symbol);
            }
            tables.push_back(table);
        }
        const auto bytes = craftELF(tables);
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
