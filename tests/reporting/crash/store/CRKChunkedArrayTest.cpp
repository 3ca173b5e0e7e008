// The chunked array that a long record line's values are gathered in, held to its promise by counting
// the moves of a value type that counts them: however long the array, no push and no step of its
// assembly between two looks for a stop moves more than a chunk's worth of values.

#include "reporting/crash/store/CRKChunkedArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using reporting::CRKChunkedArray;

// A value that counts every move of any value of its kind.
struct Counted {
    static inline size_t moves = 0;
    int value;

    explicit Counted(int v) : value(v) {}
    Counted(Counted&& other) noexcept : value(other.value) { moves++; }
    Counted& operator=(Counted&& other) noexcept {
        value = other.value;
        moves++;
        return *this;
    }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};

// Several chunks and a part of one: the last chunk is not full.
constexpr int kValues = 5 * 1024 + 3 * 4096;
constexpr size_t kChunk = 1024;

CRKChunkedArray<Counted, kChunk> filled(size_t* mostMovedByOnePush = nullptr) {
    CRKChunkedArray<Counted, kChunk> array;
    for (int i = 0; i < kValues; i++) {
        const size_t before = Counted::moves;
        array.push_back(Counted(i));
        if (mostMovedByOnePush) *mostMovedByOnePush = std::max(*mostMovedByOnePush, Counted::moves - before);
    }
    return array;
}

TEST(CRKChunkedArrayTest, NoPushMovesMoreThanAChunksWorth) {
    size_t most = 0;
    const auto array = filled(&most);
    EXPECT_EQ(array.size(), size_t(kValues));
    // The first chunk grows as a vector does; a vector of all the values would move 16,384 of them at
    // one push.
    EXPECT_LE(most, kChunk);
}

TEST(CRKChunkedArrayTest, TheAssemblyMovesAChunkAtMostBetweenTwoAsksAndKeepsTheOrder) {
    auto array = filled();
    std::vector<size_t> movesAtAsks;
    const size_t before = Counted::moves;
    const auto whole = std::move(array).assemble([&] {
        movesAtAsks.push_back(Counted::moves);
        return true;
    });
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->size(), size_t(kValues));
    size_t misplaced = 0;
    for (int i = 0; i < kValues; i++) misplaced += (*whole)[i].value != i;
    EXPECT_EQ(misplaced, 0u);
    // Asked before each chunk after the first.
    ASSERT_EQ(movesAtAsks.size(), (kValues + kChunk - 1) / kChunk - 1);
    movesAtAsks.insert(movesAtAsks.begin(), before);
    movesAtAsks.push_back(Counted::moves);
    for (size_t i = 1; i < movesAtAsks.size(); i++)
        EXPECT_LE(movesAtAsks[i] - movesAtAsks[i - 1], kChunk) << "between asks " << i - 1 << " and " << i;
}

TEST(CRKChunkedArrayTest, AnAssemblyToldToStopMovesNothingMore) {
    for (const size_t stopAt : {size_t(1), size_t(4), size_t(16)}) {
        auto array = filled();
        size_t asked = 0, movesAtStop = 0;
        const auto whole = std::move(array).assemble([&] {
            movesAtStop = Counted::moves;
            return ++asked < stopAt;
        });
        EXPECT_FALSE(whole) << stopAt;
        EXPECT_EQ(asked, stopAt);
        EXPECT_EQ(Counted::moves, movesAtStop) << stopAt;
    }
}

TEST(CRKChunkedArrayTest, AnArrayOfOneChunkOrNoneIsHandedOverWhole) {
    // Nothing to ask between: the chunk becomes the vector as it is.
    for (const int count : {0, 1, int(kChunk)}) {
        CRKChunkedArray<Counted, kChunk> array;
        for (int i = 0; i < count; i++) array.push_back(Counted(i));
        const size_t before = Counted::moves;
        const auto whole = std::move(array).assemble([] {
            ADD_FAILURE() << "asked with a single chunk";
            return true;
        });
        ASSERT_TRUE(whole);
        EXPECT_EQ(whole->size(), size_t(count));
        EXPECT_EQ(Counted::moves, before) << count;
    }
}

}  // namespace
