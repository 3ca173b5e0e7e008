#include "app/support/ArrayAdditions.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using kestrune::removeObjectsFromIndex;

namespace {

std::vector<int> listOf(size_t count) {
    std::vector<int> list(count);
    std::iota(list.begin(), list.end(), 0);
    return list;
}

}  // namespace

TEST(ArrayAdditionsTest, KeepsExactlyIndexElements) {
    auto history = listOf(501);
    removeObjectsFromIndex(history, 500);
    ASSERT_EQ(history.size(), 500u);
    EXPECT_EQ(history.back(), 499);  // only the last one went

    auto full = listOf(500);
    removeObjectsFromIndex(full, 500);
    EXPECT_EQ(full, listOf(500));

    auto shortList = listOf(3);
    removeObjectsFromIndex(shortList, 500);
    EXPECT_EQ(shortList, listOf(3));

    auto cleared = listOf(3);
    removeObjectsFromIndex(cleared, 0);
    EXPECT_TRUE(cleared.empty());
}

TEST(ArrayAdditionsTest, NegativeIndexLeavesTheListAlone) {
    auto list = listOf(4);
    removeObjectsFromIndex(list, -1);
    EXPECT_EQ(list, listOf(4));
}
