#include "app/support/Base64.h"

#include <gtest/gtest.h>

using namespace kestrune;
using platform::Data;

TEST(Base64Test, EncodesTheStandardVectors) {
    const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (auto [plain, encoded] : vectors) {
        EXPECT_EQ(base64EncodedString(std::string_view(plain)), encoded);
        EXPECT_EQ(base64EncodedString(Data::fromString(plain)), encoded);
        EXPECT_EQ(base64DecodedString(encoded), plain);
        EXPECT_EQ(dataFromBase64String(encoded), Data::fromString(plain));
    }
    EXPECT_EQ(base64EncodedString(std::string_view("Grüße")), "R3LDvMOfZQ==");
    EXPECT_EQ(base64EncodedString(Data(std::vector<uint8_t>{0xfb, 0xff, 0xbf})), "+/+/");
    EXPECT_EQ(base64DecodedData("+/+/"), Data(std::vector<uint8_t>{0xfb, 0xff, 0xbf}));
}

TEST(Base64Test, LongTextIsOneLineAndReadsBackWhenWrapped) {
    const std::string text(100, 'x');
    const std::string encoded = base64EncodedString(std::string_view(text));
    EXPECT_EQ(encoded.size(), 136u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
    std::string wrapped =
        encoded.substr(0, 64) + "\r\n" + encoded.substr(64, 64) + "\n " + encoded.substr(128);
    EXPECT_EQ(stringWithBase64EncodedString(wrapped), text);
    EXPECT_EQ(dataFromBase64String("Zm9v\r\nYmFy"), Data::fromString("foobar"));
    EXPECT_EQ(dataFromBase64String("Zm9vYg"), Data::fromString("foob"));  // padding left off
}

TEST(Base64Test, TextThatIsNotBase64GivesNone) {
    for (const char* bad : {"Zm9v!", "Zm9vY", "Zg=", "Zg===", "Zg==Zg==", "====", "Z=g=", "Zm9v-_", "é"}) {
        EXPECT_FALSE(dataFromBase64String(bad)) << bad;
        EXPECT_FALSE(stringWithBase64EncodedString(bad)) << bad;
    }
    EXPECT_FALSE(dataFromBase64String(std::string_view("Zm\0v", 4)));
}

TEST(Base64Test, BytesThatAreNotUTF8AreDataButNoText) {
    EXPECT_EQ(base64DecodedData("//79"), Data(std::vector<uint8_t>{0xff, 0xfe, 0xfd}));
    EXPECT_FALSE(base64DecodedString("//79"));
    // Encoding text replaces a broken byte instead of refusing it.
    EXPECT_EQ(base64EncodedString(std::string_view("\xff")), "77+9");
}
