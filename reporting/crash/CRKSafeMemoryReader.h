#pragma once

#include <cstddef>
#include <cstdint>

namespace reporting {

// Nothing is ever mapped in the first page: an address below it is a corrupt pointer, not memory.
inline constexpr uint64_t CRKFirstValidAddress = 4096;
// Whether an address may point at readable memory at all: the first page is never mapped.
inline bool CRKValidPointer(const void* pointer) {
    return reinterpret_cast<uintptr_t>(pointer) >= CRKFirstValidAddress;
}

// Reads memory of this process that may be unmapped or corrupt without ever faulting: every byte is
// copied by the kernel (process_vm_readv on our own process), which reports an unmapped address as a
// failed read instead of raising a signal. Addresses below 4096 always fail.
//
// A stack walk reads many small words from a few pages (the stack and a handful of data pages), and a
// system call costs about as much as a whole unwind step, so the reader keeps the last few pages it
// read in a small cache: one call per page instead of one per word. The cache is a snapshot, which is
// right for a walk: the frames being walked do not change while they are read. Nothing is allocated;
// the reader lives wherever its owner does (the unwind context, on the crash handler's stack).
class CRKSafeMemoryReader {
public:
    static constexpr size_t kPageSize = 4096;
    static constexpr int kCachedPages = 6;
    // A miss reads this many pages from the missing one upwards at once: a walk moves up the stack.
    static constexpr int kPagesReadAhead = 3;

    // Forgets every cached page (the memory may have changed since).
    void reset();

    // Copies `length` bytes at `address`; false when any of them cannot be read (the destination may then
    // hold some of the bytes before the first unreadable one).
    bool read(uint64_t address, void* destination, size_t length);
    bool readUInt64(uint64_t address, uint64_t* value) { return read(address, value, sizeof(*value)); }

    // One kernel copy, without the cache. False when a byte cannot be read; those before it may have
    // been copied.
    static bool readUncached(uint64_t address, void* destination, size_t length);

    // One range of many copied together (readEachUncached); `copied` says whether it came whole. One
    // that did not may have had its leading bytes written, up to the first that cannot be read.
    struct Range {
        uint64_t address;
        void* destination;
        size_t length;
        bool copied;
    };
    // Copies many small ranges lying far apart (a few bytes in each of many libraries), in one kernel copy
    // per kRangesPerCopy ranges, without the cache; a range counts as copied only when it came whole. A
    // range that cannot be read ends its copy, which then goes on after it: one more copy per unreadable
    // range.
    static constexpr size_t kRangesPerCopy = 64;
    static void readEachUncached(Range* ranges, size_t count);

private:
    struct Page {
        uint64_t base = 0;
        uint64_t lastUse = 0;
        bool valid = false;
        // Zeroed so that a reader in static storage is initialised at compile time and its pages are
        // not written at start-up.
        alignas(16) uint8_t bytes[kPageSize]{};
    };
    const Page* pageFor(uint64_t base);
    Page* leastRecentlyUsed(const Page* except[], int exceptCount);

    Page pages_[kCachedPages];
    uint64_t useCounter_ = 0;
};

}  // namespace reporting
