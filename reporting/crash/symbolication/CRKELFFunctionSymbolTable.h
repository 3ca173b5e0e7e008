#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reporting/crash/symbolication/CRKELFSymbolTable.h"
#include "reporting/crash/symbolication/CRKSymbolRangeMap.h"

namespace reporting {

// An ELF file's function symbols read once and sorted by address, for naming many addresses of one
// image: each address then costs a binary search, where CRKELFBufferFindFunctionSymbol scans both
// tables whole. Its answers are that function's, address for address: ".symtab" before ".dynsym", a
// symbol whose size holds the address before the nearest unsized one below it (which reaches no further
// than the next function's start or its own section's end), the greater start and then the table's
// earlier symbol winning, and a name taken only when it ends inside its string table (else the next
// table is asked). An address in the procedure linkage table is named after its stub ("puts@plt") or
// not at all (CRKELFProcedureLinkage). Every header, entry and name is checked against the file's bytes
// as that function checks them. The names it can give are copied out, so the file may change or go
// once the table is made.
class CRKELFFunctionSymbolTable {
public:
    // A table that names nothing.
    CRKELFFunctionSymbolTable() = default;
    // Maps the file, reads its tables and lets it go; a file that cannot be read, or holds no ELF image
    // of this machine's class and byte order, gives a table that names nothing, and says why in
    // `problem()`.
    // `stop` is asked between the reading's stages and every few thousand symbols: once it answers true
    // the table names nothing and its problem says it was stopped (a program's tables take a tenth of a
    // second to read, which a quit need not wait for).
    static CRKELFFunctionSymbolTable tableWithPath(const std::string& path,
                                                   const std::function<bool()>& stop = nullptr);
    // The same on the bytes of a whole ELF file.
    static CRKELFFunctionSymbolTable tableWithBuffer(const void* bytes, uint64_t length,
                                                     const std::function<bool()>& stop = nullptr);
    static constexpr const char* kStopped = "its reading was stopped";

    // The function holding the address, in the file's own numbering.
    std::optional<CRKELFSymbol> functionSymbolForAddress(uint64_t fileAddress) const;
    // The same without copying the name, which lives as long as the table.
    bool findFunctionSymbol(uint64_t fileAddress, std::string_view* name, uint64_t* start) const;

    // What made the file unreadable, or empty.
    const std::string& problem() const { return problem_; }
    // How many function symbols it can name, and what it holds in memory.
    size_t symbolCount() const { return symbols_.size(); }
    size_t memoryBytes() const;

private:
    struct Symbol {
        uint64_t start;
        uint64_t nameOffset;  // in names_
        uint64_t nameLength;
    };

    CRKSymbolRangeMap ranges_;  // the address's symbol, an index into symbols_
    std::vector<Symbol> symbols_;
    std::string names_;
    std::string problem_;
};

}  // namespace reporting
