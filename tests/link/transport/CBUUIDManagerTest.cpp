#include "link/transport/CBUUIDManager.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/TestEnvironment.h"

using kestrune::CBUUIDManager;

namespace {

constexpr std::string_view kCharacters = "ABCDEF0123456789";

platform::Data identifier(std::string_view text) {
    auto bytes = CBUUIDManager::generateCBUUIDFromString(text);
    EXPECT_TRUE(bytes) << text;
    return bytes.value_or(platform::Data());
}

}  // namespace

TEST(CBUUIDManagerTest, GeneratedTextsAreTypeLetterAndThreeHexCharacters) {
    const std::pair<int64_t, char> types[] = {{0, 'C'}, {1, 'B'}, {2, 'A'}};
    for (auto [type, letter] : types) {
        auto text = CBUUIDManager::generateStringForType(type);
        ASSERT_TRUE(text);
        ASSERT_EQ(text->size(), 4u);
        EXPECT_EQ(text->front(), letter);
        EXPECT_EQ(text->find_first_not_of(kCharacters), std::string::npos) << *text;

        auto made = CBUUIDManager::generateCBUUIDForType(type);
        ASSERT_TRUE(made);
        EXPECT_EQ(made->size(), 2u);  // a 16-bit identifier
        EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(*made), type);
    }
    EXPECT_FALSE(CBUUIDManager::generateStringForType(3));
    EXPECT_FALSE(CBUUIDManager::generateStringForType(-1));
    EXPECT_FALSE(CBUUIDManager::generateCBUUIDForType(3));
}

TEST(CBUUIDManagerTest, RandomTextsUseEveryCharacterOfTheSet) {
    EXPECT_EQ(CBUUIDManager::genRandStringLength(0), "");
    EXPECT_EQ(CBUUIDManager::genRandStringLength(-5), "");
    const std::string text = CBUUIDManager::genRandStringLength(2000);
    ASSERT_EQ(text.size(), 2000u);
    EXPECT_EQ(std::set<char>(text.begin(), text.end()),
              std::set<char>(kCharacters.begin(), kCharacters.end()));
    // 4,096 values: two draws in a row are rarely equal, a hundred equal draws never.
    std::set<std::string> drawn;
    for (int i = 0; i < 100; ++i) drawn.insert(*CBUUIDManager::generateStringForType(1));
    EXPECT_GT(drawn.size(), 50u);
}

TEST(CBUUIDManagerTest, TypeComesFromTheFirstLetterOfTheIdentifierText) {
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(identifier("A1B2")), 2);
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(identifier("B4FA")), 1);
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(identifier("C0DE")), 0);
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(identifier("180A")), 1);
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(identifier("c0de")), 0);
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(identifier("A0B1C2D3-0000-1000-8000-00805F9B34FB")), 2);
    EXPECT_EQ(CBUUIDManager::getTypeOfCBUUID(platform::Data()), 1);
    EXPECT_EQ(CBUUIDManager::generateStringFromCBUUID(identifier("A1B2")), "a1b2");
    EXPECT_EQ(CBUUIDManager::generateStringFromCBUUID(identifier("B4FA")), "b4fa");
}

TEST(CBUUIDManagerTest, TextThatIsNoIdentifierGivesNoneAndALogLine) {
    testsupport::LogCapture log;
    for (const char* bad : {"", "B4F", "B4FZ", "B4FA0", "E20A39F4x73F5-4BC4-A12F-17D1AD07A961", "B4FA "}) {
        EXPECT_FALSE(CBUUIDManager::generateCBUUIDFromString(bad)) << bad;
    }
    EXPECT_TRUE(log.contains("not an identifier text"));
}
