#include "reporting/crash/CRKSafeMemoryReader.h"

#include <pthread.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace reporting {

namespace {

// The process's id, asked once and forgotten in a forked child (before any code of the child runs), so
// that a walk costs no system call for it. A child made without the C library's fork keeps its
// parent's id: its reads then fail or see the parent, which never faults either.
std::atomic<int32_t> gProcessID{0};

int32_t processID() {
    int32_t pid = gProcessID.load(std::memory_order_relaxed);
    if (pid == 0) {
        pid = int32_t(getpid());
        gProcessID.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

const bool gForkHandlerInstalled = [] {
    return pthread_atfork(nullptr, nullptr, [] { gProcessID.store(0, std::memory_order_relaxed); }) == 0;
}();

}  // namespace

void CRKSafeMemoryReader::reset() {
    for (Page& page : pages_) {
        page.valid = false;
        page.lastUse = 0;
        page.base = 0;
    }
    useCounter_ = 0;
}

bool CRKSafeMemoryReader::readUncached(uint64_t address, void* destination, size_t length) {
    if (!destination || address < CRKFirstValidAddress) return false;
    if (length == 0) return true;
    if (address + length < address) return false;
    struct iovec local = {destination, length};
    struct iovec remote = {reinterpret_cast<void*>(address), length};
    // The kernel copies up to the first byte it cannot read and reports how many it copied, so anything
    // short of the whole length means an unreadable byte (the bytes before it are in the destination).
    const ssize_t copied = process_vm_readv(processID(), &local, 1, &remote, 1, 0);
    return copied == static_cast<ssize_t>(length);
}

void CRKSafeMemoryReader::readEachUncached(Range* ranges, size_t count) {
    size_t next = 0;
    while (next < count) {
        // The ranges are the elements of one copy. The kernel copies them in order and stops at the first
        // byte it cannot read, which may lie inside an element after part of it was copied (a range that
        // runs from a readable page into an unreadable one): what it reports is the leading elements it
        // copied whole, and perhaps part of the next. Only the whole ones count as copied; the one it
        // stopped in, written in part or not at all, does not.
        struct iovec local[kRangesPerCopy];
        struct iovec remote[kRangesPerCopy];
        size_t index[kRangesPerCopy];
        size_t elements = 0;
        size_t i = next;
        for (; i < count && elements < kRangesPerCopy; i++) {
            Range& range = ranges[i];
            range.copied = false;
            if (!range.destination || range.address < CRKFirstValidAddress ||
                range.address + range.length < range.address)
                continue;
            if (range.length == 0) {
                range.copied = true;
                continue;
            }
            local[elements] = {range.destination, range.length};
            remote[elements] = {reinterpret_cast<void*>(range.address), range.length};
            index[elements++] = i;
        }
        next = i;
        if (elements == 0) continue;
        const ssize_t copied =
            process_vm_readv(processID(), local, unsigned(elements), remote, unsigned(elements), 0);
        size_t whole = 0;
        for (size_t done = 0; whole < elements && copied > 0 && done + local[whole].iov_len <= size_t(copied);
             whole++) {
            done += local[whole].iov_len;
            ranges[index[whole]].copied = true;
        }
        // The element the copy stopped at cannot be read; the copy goes on after it.
        if (whole < elements) next = index[whole] + 1;
    }
}

CRKSafeMemoryReader::Page* CRKSafeMemoryReader::leastRecentlyUsed(const Page* except[], int exceptCount) {
    Page* victim = nullptr;
    for (Page& page : pages_) {
        bool excluded = false;
        for (int i = 0; i < exceptCount; i++) excluded = excluded || except[i] == &page;
        if (excluded) continue;
        if (!victim || (victim->valid && (!page.valid || page.lastUse < victim->lastUse))) victim = &page;
    }
    return victim;
}

const CRKSafeMemoryReader::Page* CRKSafeMemoryReader::pageFor(uint64_t base) {
    for (Page& page : pages_) {
        if (page.valid && page.base == base) {
            page.lastUse = ++useCounter_;
            return &page;
        }
    }
    // Read the missing page and the next few that are not cached yet, each into its own slot, with one
    // call. The pages are separate elements, each a whole page, and memory is readable or not a page at
    // a time, so each page is read whole or not at all; the copy stops at the first unreadable one.
    const Page* chosen[kPagesReadAhead];
    struct iovec local[kPagesReadAhead];
    struct iovec remote[kPagesReadAhead];
    int count = 0;
    for (int i = 0; i < kPagesReadAhead; i++) {
        const uint64_t pageBase = base + uint64_t(i) * kPageSize;
        if (pageBase < base) break;
        bool cached = false;
        for (const Page& page : pages_) cached = cached || (page.valid && page.base == pageBase);
        if (i > 0 && cached) break;
        Page* slot = leastRecentlyUsed(chosen, count);
        if (!slot) break;
        slot->valid = false;
        chosen[count] = slot;
        local[count] = {slot->bytes, kPageSize};
        remote[count] = {reinterpret_cast<void*>(pageBase), kPageSize};
        count++;
    }
    const ssize_t copied = process_vm_readv(processID(), local, unsigned(count), remote, unsigned(count), 0);
    if (copied < static_cast<ssize_t>(kPageSize)) return nullptr;
    const int pagesRead = int(size_t(copied) / kPageSize);
    for (int i = 0; i < pagesRead && i < count; i++) {
        Page* page = const_cast<Page*>(chosen[i]);
        page->valid = true;
        page->base = base + uint64_t(i) * kPageSize;
        // The page asked for counts as the newest; those read ahead are next in line.
        page->lastUse = i == 0 ? useCounter_ + uint64_t(count) : useCounter_ + uint64_t(count - i);
    }
    useCounter_ += uint64_t(count);
    return chosen[0];
}

bool CRKSafeMemoryReader::read(uint64_t address, void* destination, size_t length) {
    if (!destination || address < CRKFirstValidAddress) return false;
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
