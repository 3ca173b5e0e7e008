#include "reporting/crash/symbolication/CRKELFProcedureLinkage.h"

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>

#include "reporting/crash/symbolication/CRKELFBytes.h"

namespace reporting {

// Named, not anonymous: the library is compiled in batches, beside the other ELF readers' helpers.
namespace elfprocedurelinkage {

using namespace elfbytes;
using Rela = ElfW(Rela);

// The relocation that fills a stub's slot: which kind each section's stubs jump through.
enum class Slot { jump, entry };

struct Wanted {
    uint64_t slot;  // the slot's address
    Slot kind;
    size_t stub;  // in the list of decoded stubs
};

// The slot an x86-64 stub jumps through: `jmp *slot(%rip)`, after an `endbr64` and with a `bnd` or
// `notrack` prefix where the linker put them. False for any other stub (the lazy binder's pushes first).
bool slotOfStub(const uint8_t* code, uint64_t size, uint64_t address, uint64_t* slot) {
    static const uint8_t kEndBranch[] = {0xf3, 0x0f, 0x1e, 0xfa};
    uint64_t at = 0;
    if (size >= sizeof kEndBranch && memcmp(code, kEndBranch, sizeof kEndBranch) == 0) at = sizeof kEndBranch;
    if (at < size && (code[at] == 0xf2 || code[at] == 0x3e)) at++;
    if (size < 6 || at > size - 6 || code[at] != 0xff || code[at + 1] != 0x25) return false;
    int32_t displacement;
    memcpy(&displacement, code + at + 2, sizeof displacement);
    // Relative to the next instruction; the sum wraps as the processor's does.
    *slot = address + at + 6 + uint64_t(int64_t(displacement));
    return true;
}

// The name that ends inside its table and is not empty, or none.
bool nameAt(const uint8_t* base, const Shdr& strings, uint64_t offset, std::string* name) {
    if (offset >= strings.sh_size) return false;
    const char* text = reinterpret_cast<const char*>(base + strings.sh_offset + offset);
    const size_t length = strnlen(text, strings.sh_size - offset);
    if (length == 0 || length == strings.sh_size - offset) return false;
    name->assign(text, length);
    return true;
}

}  // namespace elfprocedurelinkage

CRKELFProcedureLinkage CRKELFProcedureLinkage::linkageOfFile(const uint8_t* bytes, uint64_t length) {
    return read(bytes, length, nullptr);
}

CRKELFProcedureLinkage CRKELFProcedureLinkage::linkageAt(const uint8_t* bytes, uint64_t length,
                                                         uint64_t address) {
    return read(bytes, length, &address);
}

CRKELFProcedureLinkage CRKELFProcedureLinkage::read(const uint8_t* base, uint64_t length,
                                                    const uint64_t* only) {
    using namespace elfprocedurelinkage;
    CRKELFProcedureLinkage linkage;
    Ehdr header;
    if (!base || !readAt(base, length, 0, &header) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != kNativeClass || header.e_ident[EI_DATA] != kNativeData ||
        header.e_shentsize != sizeof(Shdr))
        return linkage;
    const uint64_t sections = header.e_shnum;
    if (!inside(length, header.e_shoff, sections * sizeof(Shdr))) return linkage;
    const auto section = [&](uint64_t index, Shdr* out) {
        return index < sections && readAt(base, length, header.e_shoff + index * sizeof(Shdr), out);
    };
    Shdr sectionNames;
    if (!section(header.e_shstrndx, &sectionNames) || sectionNames.sh_type != SHT_STRTAB ||
        !inside(length, sectionNames.sh_offset, sectionNames.sh_size))
        return linkage;

    // Each linkage section's stubs, and the slot each jumps through.
    struct Decoded {
        uint64_t start;
        uint64_t size;
        bool named = false;
        std::string name;
    };
    std::vector<Decoded> decoded;
    std::vector<Wanted> wanted;
    for (uint64_t i = 0; i < sections; i++) {
        Shdr code;
        std::string name;
        if (!section(i, &code) || !nameAt(base, sectionNames, code.sh_name, &name)) continue;
        const bool entries = name == ".plt.got";
        if (name != ".plt" && name != ".plt.sec" && !entries) continue;
        if (code.sh_size == 0) continue;
        if (code.sh_size > UINT64_MAX - code.sh_addr || !inside(length, code.sh_offset, code.sh_size)) {
            linkage.damaged_ = true;
            continue;
        }
        linkage.sections_.emplace_back(code.sh_addr, code.sh_addr + code.sh_size);
        if (header.e_machine != EM_X86_64) continue;
        // Stubs of 16 bytes, or of 8 in a .plt.got without branch markers; the section says which.
        const uint64_t stubSize = code.sh_entsize == 8 || code.sh_entsize == 16 ? code.sh_entsize
                                  : entries                                     ? 8
                                                                                : 16;
        for (uint64_t at = 0; at + stubSize <= code.sh_size; at += stubSize) {
            if (only && (*only < code.sh_addr + at || *only - (code.sh_addr + at) >= stubSize)) continue;
            uint64_t slot = 0;
            if (!slotOfStub(base + code.sh_offset + at, stubSize, code.sh_addr + at, &slot)) continue;
            wanted.push_back({slot, entries ? Slot::entry : Slot::jump, decoded.size()});
            decoded.push_back({code.sh_addr + at, stubSize, false, {}});
        }
    }
    if (wanted.empty()) return linkage;
    const auto bySlot = [](const Wanted& a, const Wanted& b) {
        return a.slot != b.slot ? a.slot < b.slot : a.kind < b.kind;
    };
    std::sort(wanted.begin(), wanted.end(), bySlot);

    // The dynamic relocations (those whose symbols are the loader's), the first one of a slot naming it.
    std::vector<bool> settled(decoded.size(), false);
    for (uint64_t i = 0; i < sections; i++) {
        Shdr relocations, symbols, strings;
        if (!section(i, &relocations) || relocations.sh_type != SHT_RELA ||
            !section(relocations.sh_link, &symbols) || symbols.sh_type != SHT_DYNSYM)
            continue;
        if (relocations.sh_entsize != sizeof(Rela) ||
            !inside(length, relocations.sh_offset, relocations.sh_size) ||
            symbols.sh_entsize != sizeof(Sym) || !inside(length, symbols.sh_offset, symbols.sh_size) ||
            !section(symbols.sh_link, &strings) || strings.sh_type != SHT_STRTAB ||
            !inside(length, strings.sh_offset, strings.sh_size)) {
            linkage.damaged_ = true;
            continue;
        }
        const uint64_t count = relocations.sh_size / sizeof(Rela);
        for (uint64_t k = 0; k < count; k++) {
            Rela relocation;
            memcpy(&relocation, base + relocations.sh_offset + k * sizeof(Rela), sizeof relocation);
            const auto type = ELF64_R_TYPE(relocation.r_info);
            if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) continue;
            const Wanted key{relocation.r_offset, type == R_X86_64_JUMP_SLOT ? Slot::jump : Slot::entry, 0};
            auto [from, to] = std::equal_range(wanted.begin(), wanted.end(), key, bySlot);
            if (from == to) continue;
            std::string name;
            const uint64_t index = ELF64_R_SYM(relocation.r_info);
            Sym sym;
            const bool named = index != 0 && index < symbols.sh_size / sizeof(Sym) &&
                               readAt(base, length, symbols.sh_offset + index * sizeof(Sym), &sym) &&
                               nameAt(base, strings, sym.st_name, &name);
            for (; from != to; ++from) {
                if (settled[from->stub]) continue;
                settled[from->stub] = true;
                if (!named) continue;
                decoded[from->stub].named = true;
                decoded[from->stub].name = name + "@plt";
            }
        }
    }
    for (Decoded& stub : decoded) {
        if (stub.named) linkage.stubs_.push_back({stub.start, stub.size, std::move(stub.name)});
    }
    return linkage;
}

bool CRKELFProcedureLinkage::holds(uint64_t address) const {
    for (const auto& [start, end] : sections_) {
        if (address >= start && address < end) return true;
    }
    return false;
}

const CRKELFProcedureLinkage::Stub* CRKELFProcedureLinkage::stubAt(uint64_t address) const {
    const Stub* best = nullptr;
    for (const Stub& stub : stubs_) {
        if (address < stub.start || address - stub.start >= stub.size) continue;
        if (!best || stub.start > best->start) best = &stub;
    }
    return best;
}

}  // namespace reporting
