#include "reporting/crash/CRKSafeMemoryReader.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

using reporting::CRKSafeMemoryReader;

namespace {

constexpr size_t kPage = CRKSafeMemoryReader::kPageSize;

// Four pages; the third one unreadable.
class CRKSafeMemoryReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        void* mapping = mmap(nullptr, 4 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(mapping, MAP_FAILED);
        base_ = static_cast<uint8_t*>(mapping);
        for (size_t i = 0; i < 4 * kPage; i++) base_[i] = uint8_t(i * 7 + i / kPage);
        ASSERT_EQ(mprotect(base_ + 2 * kPage, kPage, PROT_NONE), 0);
        reader_ = std::make_unique<CRKSafeMemoryReader>();
    }
    void TearDown() override { munmap(base_, 4 * kPage); }

    uint64_t at(size_t offset) const { return reinterpret_cast<uintptr_t>(base_ + offset); }

    uint8_t* base_ = nullptr;
    std::unique_ptr<CRKSafeMemoryReader> reader_;
};

TEST_F(CRKSafeMemoryReaderTest, ReadsAcrossPagesAndRefusesUnreadableBytesWithoutAFault) {
    uint8_t out[64];
    ASSERT_TRUE(reader_->read(at(kPage - 32), out, sizeof(out)));
    EXPECT_EQ(memcmp(out, base_ + kPage - 32, sizeof(out)), 0);
    EXPECT_FALSE(reader_->read(at(2 * kPage - 8), out, 16));  // runs into the unreadable page
    EXPECT_FALSE(reader_->read(at(2 * kPage + 100), out, 8));
    ASSERT_TRUE(reader_->read(at(3 * kPage + 8), out, 8));  // the page after it is fine
    EXPECT_EQ(memcmp(out, base_ + 3 * kPage + 8, 8), 0);
    EXPECT_FALSE(reader_->read(0x800, out, 8));
    EXPECT_FALSE(reader_->read(~uint64_t(0) - 4, out, 8));
    EXPECT_FALSE(CRKSafeMemoryReader::readUncached(at(2 * kPage), out, 1));
    EXPECT_TRUE(CRKSafeMemoryReader::readUncached(at(kPage), out, 1));
}

// Many small ranges copied together, more than one copy takes: each that can be read whole comes whole,
// whatever lies between; one that lies in the unreadable page, or below the first, comes not at all; one
// that runs from a readable page into the unreadable one is not copied either, though the kernel may have
// written the part it could read (this system's does). The copy goes on after each of them, wherever in
// a copy it lies: in the middle, last, first.
TEST_F(CRKSafeMemoryReaderTest, RangesCopiedTogetherComeWholeOrAreNotCountedCopied) {
    constexpr size_t kPerCopy = CRKSafeMemoryReader::kRangesPerCopy;
    constexpr size_t kRanges = kPerCopy * 2 + 5;
    constexpr size_t kLength = 16;
    constexpr size_t kReadablePart = 8;
    uint8_t out[kRanges][kLength];
    CRKSafeMemoryReader::Range ranges[kRanges];
    std::vector<bool> readable(kRanges);
    std::vector<bool> straddles(kRanges);
    for (size_t i = 0; i < kRanges; i++) {
        memset(out[i], 0xEE, sizeof out[i]);
        // Spread over the four pages, clear of the unreadable third one; some lie in it.
        const size_t offset = (i * 97) % (4 * kPage - kLength);
        readable[i] = offset + kLength <= 2 * kPage || offset >= 3 * kPage;
        ranges[i] = {at(offset), out[i], kLength, !readable[i]};
    }
    for (const size_t i : {size_t(10), kPerCopy - 1, kPerCopy, kRanges - 1}) {
        ranges[i].address = at(2 * kPage - kReadablePart);
        readable[i] = false;
        straddles[i] = true;
        // The range after it lies in readable memory, so that the copy going on after it is seen.
        if (i + 1 < kRanges) {
            ranges[i + 1].address = at(kPage + 8 * i);
            readable[i + 1] = true;
        }
    }
    ranges[7] = {0x800, out[7], sizeof out[7], true};  // below the first page: never readable
    readable[7] = false;
    ranges[9].length = 0;  // nothing to copy is copied
    readable[9] = true;
    CRKSafeMemoryReader::readEachUncached(ranges, kRanges);
    size_t unreadable = 0;
    for (size_t i = 0; i < kRanges; i++) {
        SCOPED_TRACE(i);
        ASSERT_EQ(ranges[i].copied, readable[i]);
        const uint8_t* source = reinterpret_cast<const uint8_t*>(ranges[i].address);
        if (readable[i] && ranges[i].length > 0) {
            EXPECT_EQ(memcmp(out[i], source, sizeof out[i]), 0);
        }
        if (readable[i]) continue;
        unreadable++;
        // What the kernel wrote of a range it could not copy whole is the readable part, as it is there.
        const size_t part = straddles[i] ? kReadablePart : 0;
        const bool partWritten = part > 0 && memcmp(out[i], source, part) == 0;
        for (size_t at = partWritten ? part : 0; at < kLength; at++) EXPECT_EQ(out[i][at], 0xEE) << at;
    }
    EXPECT_GE(unreadable, 8u);
    // One kernel copy of such a range is refused the same way.
    uint8_t single[kLength];
    EXPECT_FALSE(CRKSafeMemoryReader::readUncached(at(2 * kPage - kReadablePart), single, sizeof single));
}

TEST_F(CRKSafeMemoryReaderTest, CachedPagesAreASnapshotUntilReset) {
    uint64_t value = 0;
    ASSERT_TRUE(reader_->readUInt64(at(16), &value));
    uint64_t expected = 0;
    memcpy(&expected, base_ + 16, 8);
    EXPECT_EQ(value, expected);
    memset(base_ + 16, 0xAB, 8);  // read ahead too: the next page is cached as it was
    memset(base_ + kPage + 16, 0xCD, 8);
    ASSERT_TRUE(reader_->readUInt64(at(16), &value));
    EXPECT_EQ(value, expected);
    ASSERT_TRUE(reader_->readUInt64(at(kPage + 16), &value));
    EXPECT_NE(value, 0xCDCDCDCDCDCDCDCDull);
    reader_->reset();
    ASSERT_TRUE(reader_->readUInt64(at(16), &value));
    EXPECT_EQ(value, 0xABABABABABABABABull);
    ASSERT_TRUE(reader_->readUInt64(at(kPage + 16), &value));
    EXPECT_EQ(value, 0xCDCDCDCDCDCDCDCDull);
}

TEST_F(CRKSafeMemoryReaderTest, ManyPagesInTurnKeepTheirContents) {
    // More pages than the cache holds, visited back and forth.
    const size_t count = 3 * CRKSafeMemoryReader::kCachedPages;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[count * kPage]);
    for (size_t i = 0; i < count * kPage; i++) buffer[i] = uint8_t(i / kPage + i);
    const auto start = reinterpret_cast<uintptr_t>(buffer.get());
    for (int round = 0; round < 3; round++) {
        for (size_t i = 0; i < count; i++) {
            const size_t page = round == 1 ? count - 1 - i : i;
            uint8_t byte = 0;
            ASSERT_TRUE(reader_->read(start + page * kPage + 5, &byte, 1));
            EXPECT_EQ(byte, buffer[page * kPage + 5]);
        }
    }
}

TEST(CRKSafeMemoryReaderForkTest, ForkedChildReadsItsOwnMemory) {
    static volatile uint64_t marker = 1;
    uint64_t seen = 0;
    ASSERT_TRUE(CRKSafeMemoryReader::readUncached(reinterpret_cast<uintptr_t>(&marker), &seen, sizeof(seen)));
    ASSERT_EQ(seen, 1u);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        marker = 2;
        uint64_t value = 0;
        const bool read = CRKSafeMemoryReader::readUncached(reinterpret_cast<uintptr_t>(&marker), &value, 8);
        _exit(read && value == 2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child read its parent's memory";
}

}  // namespace
