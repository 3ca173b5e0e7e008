#pragma once

#include <link.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reporting/crash/symbolication/CRKSymbolRangeMap.h"

namespace reporting {

// The names the loader gives the addresses of one image loaded in this process (what dladdr answers),
// read once from the image's dynamic symbol table. dladdr scans that whole table on every call, some
// 19,000 exported names in the application, and naming a long record asks it twice a frame.
//
// The answers are the C library loader's: the symbols its GNU hash table lists, absolute and
// thread-local ones and those without a definition or address left out, each covering its size (one
// without a size, or undefined, only its own address), the greatest value winning an address and on a
// tie the one met first in the hash table's order. An image without a GNU hash table, or whose dynamic
// section or tables do not lie in its readable loaded segments, gets no table, and its addresses are
// left to dladdr itself. The names are copied out while the loader's list is held, so an image unloaded
// afterwards leaves the table whole.
class CRKLoaderSymbolTable {
public:
    // The loaded image whose ELF header lies at `header`; nullopt when none is loaded there now, or its
    // tables cannot be read as described.
    static std::optional<CRKLoaderSymbolTable> tableForImageAt(uintptr_t header);
    // The same from what the loader tells of an image (dl_iterate_phdr's load bias and program headers),
    // while its list is held.
    static std::optional<CRKLoaderSymbolTable> tableForLoadedImage(uintptr_t loadBias,
                                                                   const ElfW(Phdr) * headers,
                                                                   size_t headerCount);

    // Whether the address lies in one of the image's loadable segments: an address there is one the
    // loader names after this image.
    bool holds(uintptr_t address) const;
    // The exported symbol the loader names the address after, and that symbol's address. False when it
    // names none (the image's own file may still know the function).
    bool findSymbol(uintptr_t address, std::string_view* name, uintptr_t* symbolAddress) const;

    size_t symbolCount() const { return symbols_.size(); }
    size_t memoryBytes() const;

private:
    struct Symbol {
        uintptr_t address;
        size_t nameOffset;  // in names_
        size_t nameLength;
    };

    std::vector<std::pair<uintptr_t, uintptr_t>> segments_;  // [start, end) of each loadable segment
    CRKSymbolRangeMap ranges_;                               // the address's symbol, an index into symbols_
    std::vector<Symbol> symbols_;
    std::string names_;
};

}  // namespace reporting
