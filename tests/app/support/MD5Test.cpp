#include "app/support/MD5.h"

#include <gtest/gtest.h>

using kestrune::MD5Hash;

TEST(MD5Test, DigestsTheUTF8BytesAsLowerCaseHex) {
    EXPECT_EQ(MD5Hash(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(MD5Hash("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(MD5Hash("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(MD5Hash("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(MD5Hash("Grüße"), "49c5f675b49037b6044b803ac9d1a6d7");
    EXPECT_EQ(MD5Hash("Grü"), "ed06dd1da431e1e20c029d61c77be9a2");
}
