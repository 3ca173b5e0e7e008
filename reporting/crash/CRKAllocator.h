#pragma once

#include <cstddef>
#include <cstdint>

namespace reporting {

// One region of the guarded mapping: its size, its start and the next free byte.
struct CRKAllocatorRegion {
    uint64_t size;
    uintptr_t start;
    uintptr_t cursor;
};

// The crash kit's guarded memory: one anonymous private mapping laid out as guard page, writable
// region, guard page, read-only region, guard page. Everything crash-time code needs is carved from it
// at start, so nothing is allocated at crash time, and a stray write into the read-only half after
// start-up faults instead of corrupting paths and saved handlers. This 64-byte record is the first
// allocation of the read-only region.
struct CRKAllocator {
    uintptr_t base;
    bool isProtected;
    CRKAllocatorRegion writable;
    CRKAllocatorRegion readOnly;
};

enum CRKAllocationType : int {
    CRKAllocationTypeReadOnly = 0,
    CRKAllocationTypeWritable = 1,
};

CRKAllocator* CRKAllocatorCreate(size_t writableSize, size_t readOnlySize);
// Carves `size` bytes from the region (lock-free; no alignment is added). When the region has no room
// left, or the allocator is missing or already protected, the memory comes from the heap instead and a
// warning is logged. Any other region value answers null. The memory answered is all zeros either way:
// the region's pages are fresh from the mapping and never handed out twice, the heap's come from calloc.
// So callers need not clear it, and pages they do not use (a stack kept for a crash) stay untouched.
void* CRKAllocatorSafeAllocate(CRKAllocator* allocator, size_t size, int region);
// Makes the read-only region read-only.
bool CRKAllocatorProtect(CRKAllocator* allocator);
// Region memory is never given back; only memory taken from the heap without an allocator is freed.
void CRKAllocatorFree(CRKAllocator* allocator, void* pointer);
void CRKAllocatorDestroy(CRKAllocator* allocator);

}  // namespace reporting
