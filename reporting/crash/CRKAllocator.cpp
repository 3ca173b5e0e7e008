#include "reporting/crash/CRKAllocator.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

static_assert(sizeof(CRKAllocator) == 64, "the allocator's record is 64 bytes of its own region");

// A size as whole pages: size / page + 1, so a size that is already a multiple of the page still
// gains one.
uint64_t pagesFor(uint64_t size, uint64_t page) {
    return (size / page + 1) * page;
}

}  // namespace

CRKAllocator* CRKAllocatorCreate(size_t writableSize, size_t readOnlySize) {
    const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    const uint64_t writable = writableSize == 0 ? 0 : pagesFor(writableSize, page);
    const uint64_t readOnly = pagesFor(readOnlySize + sizeof(CRKAllocator), page);
    const uint64_t total = writable + readOnly + 3 * page;
    void* mapping = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_ANONYMOUS | MAP_PRIVATE, -1, 0);
    if (mapping == MAP_FAILED) {
        CRKSDKLOG_ERROR("Mapping failed %s\n", CRKErrorText(errno));
        return nullptr;
    }
    const auto base = reinterpret_cast<uintptr_t>(mapping);
    const uintptr_t writableStart = base + page;
    const uintptr_t middleGuard = writableStart + writable;
    const uintptr_t readOnlyStart = middleGuard + page;
    const uintptr_t lastGuard = readOnlyStart + readOnly;
    auto fail = [&](const char* message) -> CRKAllocator* {
        CRKSDKLOG_ERROR("%s %s\n", message, CRKErrorText(errno));
        munmap(mapping, total);
        return nullptr;
    };
    if (mprotect(mapping, page, PROT_NONE) != 0) return fail("First guard protection failed");
    if (mprotect(reinterpret_cast<void*>(middleGuard), page, PROT_NONE) != 0) {
        return fail("Middle guard protection failed");
    }
    if (mprotect(reinterpret_cast<void*>(lastGuard), page, PROT_NONE) != 0) {
        return fail("Last guard protection failed");
    }
    CRKSDKLOG_INFO("Mapping: %p %p %p, total: %u K\n", mapping, reinterpret_cast<void*>(writableStart),
                   reinterpret_cast<void*>(readOnlyStart), static_cast<uint32_t>(total / 1024));

    auto* allocator = reinterpret_cast<CRKAllocator*>(readOnlyStart);
    allocator->base = base;
    allocator->isProtected = false;
    allocator->writable = {writable, writableStart, writableStart};
    allocator->readOnly = {readOnly, readOnlyStart, readOnlyStart + sizeof(CRKAllocator)};
    CRKSDKLOG_DEBUG("Allocator successfully created %p", static_cast<void*>(allocator));
    return allocator;
}

void* CRKAllocatorSafeAllocate(CRKAllocator* allocator, size_t size, int region) {
    if (region != CRKAllocationTypeReadOnly && region != CRKAllocationTypeWritable) return nullptr;
    if (!allocator) {
        CRKSDKLOG_WARN("Allocator invalid, falling back to malloc\n");
        return calloc(1, size);
    }
    if (std::atomic_ref<bool>(allocator->isProtected).load()) {
        CRKSDKLOG_WARN("Allocator already protected, falling back to malloc\n");
        return calloc(1, size);
    }
    CRKAllocatorRegion& target =
        region == CRKAllocationTypeWritable ? allocator->writable : allocator->readOnly;
    std::atomic_ref<uintptr_t> cursor(target.cursor);
    uintptr_t current = cursor.load();
    for (;;) {
        if ((current - target.start) + size > target.size) {
            CRKSDKLOG_WARN("Unable to allocate sufficient memory, falling back to malloc\n");
            return calloc(1, size);
        }
        if (cursor.compare_exchange_weak(current, current + size, std::memory_order_seq_cst)) {
            return reinterpret_cast<void*>(current);
        }
    }
}

bool CRKAllocatorProtect(CRKAllocator* allocator) {
    if (!allocator) {
        CRKSDKLOG_ERROR("Invalid allocator");
        return false;
    }
    if (std::atomic_ref<bool>(allocator->isProtected).load()) {
        CRKSDKLOG_WARN("Write protection already enabled");
        return true;
    }
    // The flag lives in the region about to become read-only, so it is set first.
    std::atomic_ref<bool>(allocator->isProtected).store(true);
    const bool ok = mprotect(reinterpret_cast<void*>(allocator->readOnly.start), allocator->readOnly.size,
                             PROT_READ) == 0;
    if (!ok) std::atomic_ref<bool>(allocator->isProtected).store(false);
    return ok;
}

void CRKAllocatorFree(CRKAllocator* allocator, void* pointer) {
    if (!allocator) free(pointer);
}

void CRKAllocatorDestroy(CRKAllocator*) {}

}  // namespace reporting
