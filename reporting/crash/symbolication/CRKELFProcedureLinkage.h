#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace reporting {

// The stubs of an ELF file's procedure linkage table (.plt, .plt.sec, .plt.got), named as the debugger
// and the disassembler name them: after the function a stub jumps to, with "@plt". A stub jumps through
// a slot of the global offset table, and the dynamic relocation that fills that slot names the
// function: a jump-slot relocation for .plt and .plt.sec, a GOT-entry one for .plt.got. The symbols of
// the file say nothing of these sections (the nearest one below is some function before them), so an
// address in them is named after its stub or not at all: the table's first stub (the lazy binder's),
// a stub whose slot an indirect function fills in place, a stub of a machine whose stubs are not
// decoded here (only x86-64's are), or a damaged one, gets no name.
class CRKELFProcedureLinkage {
public:
    struct Stub {
        uint64_t start = 0;  // in the file's own numbering
        uint64_t size = 0;
        std::string name;  // the function's name with "@plt"
    };

    // Read from the bytes of a whole ELF file of this machine's class and byte order; every header,
    // stub, relocation and name is checked against the bytes before it is read.
    static CRKELFProcedureLinkage linkageOfFile(const uint8_t* bytes, uint64_t length);
    // The same with only the stubs that hold the address, for naming one address: the relocations are
    // read only when it lies in a linkage section.
    static CRKELFProcedureLinkage linkageAt(const uint8_t* bytes, uint64_t length, uint64_t address);

    // [start, end) of each linkage section, in the order of the file's section headers.
    const std::vector<std::pair<uint64_t, uint64_t>>& sections() const { return sections_; }
    // The named stubs, sections in their order and each section's stubs in theirs.
    const std::vector<Stub>& stubs() const { return stubs_; }
    // Whether the address lies in a linkage section.
    bool holds(uint64_t address) const;
    // The named stub holding the address (the greatest start, then the earlier stub, should damaged
    // sections overlap), or null.
    const Stub* stubAt(uint64_t address) const;
    // A linkage section or a relocation table that lies past the file's end or is malformed.
    bool damaged() const { return damaged_; }

private:
    static CRKELFProcedureLinkage read(const uint8_t* bytes, uint64_t length, const uint64_t* only);

    std::vector<std::pair<uint64_t, uint64_t>> sections_;
    std::vector<Stub> stubs_;
    bool damaged_ = false;
};

}  // namespace reporting
