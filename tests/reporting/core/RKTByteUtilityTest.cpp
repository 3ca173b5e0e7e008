#include "reporting/core/RKTByteUtility.h"

#include <cctype>
#include <set>

#include "tests/support/TestEnvironment.h"

using namespace reporting;

namespace {

class RKTByteUtilityTest : public testsupport::KestruneTest {};

TEST_F(RKTByteUtilityTest, HexEncodingWritesLowerCaseDigitsAndATerminatingZero) {
    const uint8_t bytes[] = {0x00, 0xAB, 0xFF};
    char out[8];
    std::fill(std::begin(out), std::end(out), 'x');
    RKTHexEncodeBytes(bytes, 3, out);
    EXPECT_EQ(std::string(out, 7), std::string("00abff\0", 7));
    EXPECT_EQ(out[7], 'x');  // nothing past 2 x count + 1

    char cleared[5] = {'q', 'q', 'q', 'q', 'q'};
    RKTHexEncodeBytes(nullptr, 2, cleared);
    EXPECT_EQ(std::string(cleared, 5), std::string(5, '\0'));
    RKTHexEncodeBytes(bytes, 3, nullptr);  // no buffer: nothing happens

    EXPECT_EQ(RKTHexStringFromData(platform::Data::fromString("\x01\x10")), "0110");
    EXPECT_EQ(RKTHexStringFromData(platform::Data()), "");
}

TEST_F(RKTByteUtilityTest, DigestsMatchTheStandardVectors) {
    EXPECT_EQ(RKTSHA1HexString("abc", 3), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(RKTSHA256HexString("abc", 3),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(RKTSHA1HexStringFromData(platform::Data()), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(RKTSHA256HexStringFromData(platform::Data::fromString("abc")), RKTSHA256HexString("abc", 3));
}

TEST_F(RKTByteUtilityTest, UUIDsAreRandomVersionFourTexts) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        const std::string uuid = RKTGenerateUUID();
        ASSERT_EQ(uuid.size(), 36u);
        for (size_t p : {8u, 13u, 18u, 23u}) EXPECT_EQ(uuid[p], '-');
        EXPECT_EQ(uuid[14], '4');
        for (char c : uuid) EXPECT_TRUE(c == '-' || std::isdigit(c) || (c >= 'A' && c <= 'F')) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 50u);
    const uint8_t bytes[16] = {0xde, 0xad, 0xbe, 0xef, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xff};
    EXPECT_EQ(RKTHexStringFromUUIDBytes(bytes), "deadbeef000102030405060708090aff");
}

TEST_F(RKTByteUtilityTest, ByteRangesCoverTheWholeData) {
    const auto data = platform::Data::fromString("hello");
    std::string gathered;
    int calls = 0;
    RKTEnumerateByteRangesOfData(data, [&](const uint8_t* bytes, size_t location, size_t length, bool&) {
        ++calls;
        gathered.append(reinterpret_cast<const char*>(bytes) + 0, length);
        EXPECT_EQ(location, 0u);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(gathered, "hello");
}

}  // namespace
