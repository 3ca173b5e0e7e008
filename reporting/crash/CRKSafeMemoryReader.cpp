#include "reporting/crash/CRKSafeMemoryReader.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstring>

namespace reporting {

namespace {
constexpr uint64_t kFirstValidAddress = 4096;
}

void CRKSafeMemoryReader::reset() {
    for (Page& page : pages_) {
        page.valid = false;
        page.lastUse = 0;
        page.base = 0;
    }
    useCounter_ = 0;
}

bool CRKSafeMemoryReader::readUncached(uint64_t address, void* destination, size_t length) {
    if (!destination || address < kFirstValidAddress) return false;
    if (length == 0) return true;
    if (address + length < address) return false;
    struct iovec local = {destination, length};
    struct iovec remote = {reinterpret_cast<void*>(address), length};
    // A single remote element is never transferred in part, so anything short of the whole length
    // means an unreadable byte.
    const ssize_t copied = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    return copied == static_cast<ssize_t>(length);
}

const CRKSafeMemoryReader::Page* CRKSafeMemoryReader::pageFor(uint64_t base) {
    Page* victim = &pages_[0];
    for (Page& page : pages_) {
        if (page.valid && page.base == base) {
            page.lastUse = ++useCounter_;
            return &page;
        }
        if (victim->valid && (!page.valid || page.lastUse < victim->lastUse)) victim = &page;
    }
    // Pages are mapped whole, so a page-aligned read of one page either succeeds or fails as a whole.
    if (!readUncached(base, victim->bytes, kPageSize)) return nullptr;
    victim->valid = true;
    victim->base = base;
    victim->lastUse = ++useCounter_;
    return victim;
}

bool CRKSafeMemoryReader::read(uint64_t address, void* destination, size_t length) {
    if (!destination || address < kFirstValidAddress) return false;
    if (address + length < address) return false;
    auto* out = static_cast<uint8_t*>(destination);
    while (length > 0) {
        const uint64_t base = address & ~uint64_t(kPageSize - 1);
        const size_t offset = static_cast<size_t>(address - base);
        const size_t chunk = length < kPageSize - offset ? length : kPageSize - offset;
        const Page* page = pageFor(base);
        if (!page) return false;
        memcpy(out, page->bytes + offset, chunk);
        out += chunk;
        address += chunk;
        length -= chunk;
    }
    return true;
}

}  // namespace reporting
