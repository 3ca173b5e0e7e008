#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace reporting {

// The function symbol of an ELF image that holds an address: the loader only knows exported names, so
// static and hidden functions are found here, in the file's own symbol table (".symtab", else
// ".dynsym"). A symbol whose size holds the address wins; else the nearest one without a size below
// it, if no other function starts between them and the address lies in that symbol's section. An
// address in the procedure linkage table is named after its stub's target with "@plt", or not at all.
// The file is mapped through the crash kit's ELF reader and every header, table entry and name is
// checked against the mapping before it is read.
struct CRKELFSymbol {
    std::string name;
    uint64_t start = 0;  // the symbol's address in the file's own numbering
};

// `fileAddress` is the address in the file's numbering (the loaded address minus the load bias).
std::optional<CRKELFSymbol> CRKELFFindFunctionSymbol(const std::string& path, uint64_t fileAddress);
// The same on the bytes of a whole ELF file (native class and byte order).
std::optional<CRKELFSymbol> CRKELFBufferFindFunctionSymbol(const void* bytes, uint64_t length,
                                                           uint64_t fileAddress);

}  // namespace reporting
