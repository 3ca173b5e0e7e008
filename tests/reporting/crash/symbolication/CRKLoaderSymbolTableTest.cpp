#include "reporting/crash/symbolication/CRKLoaderSymbolTable.h"

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "tests/reporting/crash/symbolication/ELFSymbolFixtures.h"

namespace {

using namespace reporting;

struct LoadedImage {
    uintptr_t bias;
    std::vector<ElfW(Phdr)> headers;
    std::string path;
};

std::vector<LoadedImage> loadedImages() {
    std::vector<LoadedImage> images;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* images = static_cast<std::vector<LoadedImage>*>(data);
            std::string path = info->dlpi_name ? info->dlpi_name : "";
            if (path.empty() && images->empty())
                path = std::filesystem::read_symlink("/proc/self/exe").string();
            images->push_back({info->dlpi_addr,
                               std::vector<ElfW(Phdr)>(info->dlpi_phdr, info->dlpi_phdr + info->dlpi_phnum),
                               path});
            return 0;
        },
        &images);
    return images;
}

TEST(CRKLoaderSymbolTableTest, EveryLoadedImageIsNamedAsDladdrNamesIt) {
    std::mt19937_64 random(11);
    size_t tables = 0, compared = 0, named = 0;
    for (const LoadedImage& image : loadedImages()) {
        const auto table =
            CRKLoaderSymbolTable::tableForLoadedImage(image.bias, image.headers.data(), image.headers.size());
        if (!table) continue;  // no GNU hash table (none of this system's images): dladdr is asked
        tables++;
        // The exported symbols' edges, from the file's own dynamic table, and addresses spread over
        // every segment, its edges included.
        std::vector<uintptr_t> probes;
        const elffixtures::MappedFile file(image.path);
        const auto functions = elffixtures::functionSymbolsOf(file.data(), file.size());
        for (int i = 0; i < 300 && !functions.empty(); i++) {
            const auto& [start, size] = functions[random() % functions.size()];
            for (const uint64_t at : {start - 1, start, start + 1, start + size - 1, start + size})
                probes.push_back(image.bias + at);
        }
        for (const auto& ph : image.headers) {
            if (ph.p_type != PT_LOAD) continue;
            const uintptr_t start = image.bias + ph.p_vaddr;
            for (uintptr_t at = start; at < start + ph.p_memsz; at += ph.p_memsz / 200 + 1)
                probes.push_back(at);
            probes.push_back(start + ph.p_memsz - 1);
            probes.push_back(start + ph.p_memsz);
        }
        for (const uintptr_t probe : probes) {
            if (!table->holds(probe)) continue;
            Dl_info info{};
            ASSERT_NE(dladdr(reinterpret_cast<const void*>(probe), &info), 0) << image.path;
            std::string_view name;
            uintptr_t address = 0;
            const bool found = table->findSymbol(probe, &name, &address);
            compared++;
            EXPECT_EQ(found, info.dli_sname != nullptr)
                << image.path << " at +0x" << std::hex << probe - image.bias;
            if (!found || !info.dli_sname) continue;
            named++;
            EXPECT_EQ(name, info.dli_sname) << image.path << " at +0x" << std::hex << probe - image.bias;
            EXPECT_EQ(address, reinterpret_cast<uintptr_t>(info.dli_saddr)) << image.path;
        }
    }
    EXPECT_GE(tables, 3u);  // the program, the C library, the sanitizer's or C++ library at least
    EXPECT_GT(compared, 2000u);
    EXPECT_GT(named, 500u);
}

// An image laid out in memory as the loader leaves one: a read-only dynamic section (its addresses
// relative to the load bias), a GNU hash table of one bucket chaining every symbol in order.
struct CraftedImage {
    std::vector<uint64_t> storage;  // 8-byte aligned bytes
    std::vector<ElfW(Phdr)> headers;
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(storage.data()); }
    uintptr_t bias() { return reinterpret_cast<uintptr_t>(storage.data()); }
};

struct CraftedExport {
    const char* name;
    uint64_t value;
    uint64_t size;
    unsigned char type = STT_FUNC;
    uint16_t section = 1;
};

enum class Damage { none, endlessChain, bucketBelowFirstListed, noStringSize, noHashTable, stringsPastImage };

CraftedImage craftImage(const std::vector<CraftedExport>& exports, Damage damage = Damage::none) {
    constexpr size_t kDynamic = 0, kSymbols = 0x100, kStrings = 0x800, kHash = 0xc00, kSize = 0x1000;
    CraftedImage image;
    image.storage.assign(kSize / 8, 0);
    std::string strings(1, '\0');
    std::vector<ElfW(Sym)> symbols(1);  // the null symbol
    for (const CraftedExport& e : exports) {
        ElfW(Sym) sym{};
        sym.st_name = e.name ? uint32_t(strings.size()) : 0x7fffffff;
        if (e.name) strings += std::string(e.name) + '\0';
        sym.st_info = ELF64_ST_INFO(STB_GLOBAL, e.type);
        sym.st_shndx = e.section;
        sym.st_value = e.value;
        sym.st_size = e.size;
        symbols.push_back(sym);
    }
    memcpy(image.bytes() + kSymbols, symbols.data(), symbols.size() * sizeof(ElfW(Sym)));
    memcpy(image.bytes() + kStrings, strings.data(), strings.size());
    // One bucket, the first listed symbol 1, a one-word filter; each chain word's low bit ends it.
    std::vector<uint32_t> hash = {1, 1, 1, 0, 0, 0, 1};
    if (damage == Damage::bucketBelowFirstListed) hash[1] = 2;
    for (size_t i = 1; i < symbols.size(); i++)
        hash.push_back(i + 1 == symbols.size() && damage != Damage::endlessChain ? 1u : 0u);
    memcpy(image.bytes() + kHash, hash.data(), hash.size() * sizeof(uint32_t));
    std::vector<ElfW(Dyn)> dynamic = {{DT_SYMTAB, {kSymbols}}, {DT_STRTAB, {kStrings}}};
    if (damage != Damage::noStringSize)
        dynamic.push_back({DT_STRSZ, {damage == Damage::stringsPastImage ? kSize : strings.size()}});
    if (damage != Damage::noHashTable) dynamic.push_back({DT_GNU_HASH, {kHash}});
    dynamic.push_back({DT_NULL, {0}});
    memcpy(image.bytes() + kDynamic, dynamic.data(), dynamic.size() * sizeof(ElfW(Dyn)));
    ElfW(Phdr) load{}, dyn{};
    load.p_type = PT_LOAD;
    load.p_flags = PF_R;
    load.p_memsz = kSize;
    dyn.p_type = PT_DYNAMIC;
    dyn.p_flags = PF_R;
    dyn.p_vaddr = kDynamic;
    dyn.p_memsz = dynamic.size() * sizeof(ElfW(Dyn));
    image.headers = {load, dyn};
    return image;
}

TEST(CRKLoaderSymbolTableTest, TheLoadersRulesNameEachAddress) {
    CraftedImage image = craftImage({
        {"alpha", 0x100, 0x20},
        {"zero", 0x110, 0},  // no size: its own address only
        {"tls", 0x118, 8, STT_TLS},
        {"absolute", 0x118, 8, STT_FUNC, SHN_ABS},
        {"twin_object", 0x140, 0x10, STT_OBJECT},  // the loader names data too
        {"twin_function", 0x140, 0x10},
        {"undefined", 0x160, 0x10, STT_FUNC, SHN_UNDEF},
        {nullptr, 0x180, 0x10},  // a name past the string table
    });
    const auto table = CRKLoaderSymbolTable::tableForLoadedImage(image.bias(), image.headers.data(), 2);
    ASSERT_TRUE(table);
    const struct {
        uint64_t at;
        const char* name;
        uint64_t start;
    } expected[] = {
        {0xff, nullptr, 0},     {0x100, "alpha", 0x100},       {0x10f, "alpha", 0x100},
        {0x110, "zero", 0x110}, {0x111, "alpha", 0x100},       {0x11c, "alpha", 0x100},
        {0x120, nullptr, 0},    {0x145, "twin_object", 0x140}, {0x168, "undefined", 0x160},
        {0x170, nullptr, 0},    {0x185, nullptr, 0},
    };
    for (const auto& row : expected) {
        std::string_view name;
        uintptr_t address = 0;
        const bool found = table->findSymbol(image.bias() + row.at, &name, &address);
        EXPECT_EQ(found, row.name != nullptr) << std::hex << row.at;
        if (!found || !row.name) continue;
        EXPECT_EQ(name, row.name) << std::hex << row.at;
        EXPECT_EQ(address, image.bias() + row.start) << std::hex << row.at;
    }
    EXPECT_TRUE(table->holds(image.bias()));
    EXPECT_TRUE(table->holds(image.bias() + 0xfff));
    EXPECT_FALSE(table->holds(image.bias() + 0x1000));
}

TEST(CRKLoaderSymbolTableTest, TablesThatAreNotAsTheLoaderLeavesThemAreNotRead) {
    const std::vector<CraftedExport> exports = {{"alpha", 0x100, 0x20}, {"beta", 0x200, 0x20}};
    const struct {
        const char* what;
        Damage damage;
    } cases[] = {
        {"a chain without an end", Damage::endlessChain},
        {"a bucket naming a symbol the table does not list", Damage::bucketBelowFirstListed},
        {"no string table size", Damage::noStringSize},
        {"no GNU hash table", Damage::noHashTable},
        {"a string table running past the image", Damage::stringsPastImage},
    };
    for (const auto& c : cases) {
        CraftedImage image = craftImage(exports, c.damage);
        EXPECT_FALSE(CRKLoaderSymbolTable::tableForLoadedImage(image.bias(), image.headers.data(), 2))
            << c.what;
    }
    CraftedImage whole = craftImage(exports);
    EXPECT_TRUE(CRKLoaderSymbolTable::tableForLoadedImage(whole.bias(), whole.headers.data(), 2));
    // Without a dynamic section, and with the dynamic section outside every readable segment.
    EXPECT_FALSE(CRKLoaderSymbolTable::tableForLoadedImage(whole.bias(), whole.headers.data(), 1));
    whole.headers[1].p_vaddr = 0x2000;
    EXPECT_FALSE(CRKLoaderSymbolTable::tableForLoadedImage(whole.bias(), whole.headers.data(), 2));
    // An image not loaded now.
    EXPECT_FALSE(CRKLoaderSymbolTable::tableForImageAt(0x1000));
}

}  // namespace
