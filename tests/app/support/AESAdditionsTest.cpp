#include "app/support/AESAdditions.h"

#include <gtest/gtest.h>

#include "app/support/Base64.h"

using kestrune::AES256DecryptWithKey;
using kestrune::AES256EncryptWithKey;
using kestrune::AES256KeyBytes;
using platform::Data;

namespace {

// 26 characters, like the link key: 26 key bytes and 6 zero bytes.
constexpr const char* kKey26 = "abcdefghijklmnopqrstuvwxyz";
constexpr const char* kKey32 = "0123456789abcdef0123456789abcdef";
constexpr const char* kKey33 = "0123456789abcdef0123456789abcdef0";

std::optional<Data> fromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return Data(bytes);
}

}  // namespace

TEST(AESAdditionsTest, CiphertextIsWholeBlocksWithAFullPaddingBlockOnBoundaries) {
    const std::pair<size_t, size_t> lengths[] = {{0, 16},  {1, 16},  {15, 16}, {16, 32},
                                                 {17, 32}, {31, 32}, {32, 48}};
    for (auto [plain, cipher] : lengths) {
        auto encrypted = AES256EncryptWithKey(Data(std::vector<uint8_t>(plain, 0x41)), kKey26);
        ASSERT_TRUE(encrypted) << plain;
        EXPECT_EQ(encrypted->size(), cipher) << plain;
    }
    auto empty = AES256EncryptWithKey(std::string_view(""), kKey26);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size(), 24u);
}

TEST(AESAdditionsTest, MatchesAES256CBCWithZeroIVAndZeroPaddedKey) {
    // Expected values come from an independent AES implementation with the key bytes written out.
    EXPECT_EQ(AES256EncryptWithKey(std::string_view(""), kKey26), "hHWMA0nLLsNHmKHOAy0p2g==");
    EXPECT_EQ(AES256EncryptWithKey(Data::fromString("Secret password!"), kKey26),
              fromHex("64e940ddb94099098729a72497a589e4100c181a1847466e9d30702875267653"));
    EXPECT_EQ(AES256EncryptWithKey(std::string_view("Grüße, Jürgen"), kKey26),
              "0m15PHKJ8VCQ1ux/jN6UWXOLhPD5WfKeevazl22y+hk=");
    EXPECT_EQ(AES256EncryptWithKey(std::string_view("hunter2"), kKey32), "+fgdhv7/DLJ5T0raAriGEg==");
    // The key is the UTF-8 bytes: "ü" counts twice.
    EXPECT_EQ(AES256EncryptWithKey(std::string_view("hunter2"), "schlüssel"), "8Ne4qqtBIJcBTM5c4/5IZw==");
}

TEST(AESAdditionsTest, KeyTextTooLongForTheBoundedCopyGivesTheAllZeroKey) {
    std::array<uint8_t, 32> zero{};
    EXPECT_EQ(AES256KeyBytes(kKey33), zero);
    EXPECT_EQ(AES256KeyBytes(std::string(100, 'k')), zero);
    EXPECT_EQ(AES256EncryptWithKey(std::string_view("hunter2"), kKey33), "u+zP2VK0kyVXj9Axpx4Xcg==");
    EXPECT_EQ(AES256EncryptWithKey(std::string_view("hunter2"), ""), "u+zP2VK0kyVXj9Axpx4Xcg==");

    auto bytes = AES256KeyBytes(kKey26);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 26), kKey26);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 26, bytes.end()), std::vector<uint8_t>(6, 0));
    auto full = AES256KeyBytes(kKey32);
    EXPECT_EQ(std::string(full.begin(), full.end()), kKey32);
}

TEST(AESAdditionsTest, TextRoundTripsWithTheSameKey) {
    for (const char* text :
         {"", "p", "correct horse battery staple", "Grüße, Jürgen 🔑", "exactly sixteen!"}) {
        for (const char* key : {kKey26, kKey32, kKey33}) {
            auto cipher = AES256EncryptWithKey(std::string_view(text), key);
            ASSERT_TRUE(cipher);
            EXPECT_EQ(AES256DecryptWithKey(*cipher, key), text);
        }
    }
    EXPECT_EQ(AES256DecryptWithKey(std::string_view("0m15PHKJ8VCQ1ux/jN6UWXOLhPD5WfKeevazl22y+hk="), kKey26),
              "Grüße, Jürgen");
}

TEST(AESAdditionsTest, BadCiphertextGivesNone) {
    // Another key: bad padding here (and never the original text).
    auto wrongKey =
        AES256DecryptWithKey(std::string_view("0m15PHKJ8VCQ1ux/jN6UWXOLhPD5WfKeevazl22y+hk="), kKey32);
    EXPECT_NE(wrongKey, std::optional<std::string>("Grüße, Jürgen"));
    EXPECT_FALSE(AES256DecryptWithKey(std::string_view("not Base64 at all!"), kKey26));
    EXPECT_FALSE(AES256DecryptWithKey(std::string_view(""), kKey26));  // no block at all
    // Base64 of 15 bytes: not a whole block.
    EXPECT_FALSE(
        AES256DecryptWithKey(kestrune::base64EncodedString(Data(std::vector<uint8_t>(15, 7))), kKey26));
    EXPECT_FALSE(AES256DecryptWithKey(Data(std::vector<uint8_t>(17, 7)), kKey26));
    EXPECT_FALSE(AES256DecryptWithKey(Data(), kKey26));
}

TEST(AESAdditionsTest, PlaintextThatIsNotUTF8DecryptsAsDataButNotAsText) {
    const Data bytes(std::vector<uint8_t>{0xff, 0xfe, 0x41});
    auto cipher = AES256EncryptWithKey(bytes, kKey26);
    ASSERT_TRUE(cipher);
    EXPECT_EQ(AES256DecryptWithKey(*cipher, kKey26), bytes);
    EXPECT_FALSE(AES256DecryptWithKey(kestrune::base64EncodedString(*cipher), kKey26));
    // Text given with a broken byte is encrypted with that byte replaced.
    auto replaced = AES256EncryptWithKey(std::string_view("a\xff"), kKey26);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(AES256DecryptWithKey(*replaced, kKey26), "a\xEF\xBF\xBD");
}
