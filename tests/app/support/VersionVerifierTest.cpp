#include "app/support/VersionVerifier.h"

#include <gtest/gtest.h>

using kestrune::VersionVerifier;

namespace {

bool newer(const char* a, const char* b) {
    return VersionVerifier::version_isNewerThenVersion(a, b);
}
bool same(const char* a, const char* b) {
    return VersionVerifier::version_isSameAsVersion(a, b);
}
bool newerOrSame(const char* a, const char* b) {
    return VersionVerifier::version_isNewerOrSameThenVersion(a, b);
}

}  // namespace

TEST(VersionVerifierTest, ComparesPartsAsNumbers) {
    EXPECT_TRUE(newer("1.10", "1.9"));
    EXPECT_FALSE(newer("1.9", "1.10"));
    EXPECT_TRUE(newer("2.0", "1.9.9"));
    EXPECT_TRUE(same("1.6.4", "1.6.4"));
    EXPECT_FALSE(newer("1.6.4", "1.6.4"));
    EXPECT_TRUE(newerOrSame("1.6.4", "1.6.4"));
    EXPECT_FALSE(newer("1.6.3", "1.6.4"));
    EXPECT_FALSE(newerOrSame("1.6.3", "1.6.4"));
    EXPECT_TRUE(newerOrSame("1.6.5", "1.6.4"));
    EXPECT_TRUE(newer("10.14.6", "10.13"));
    EXPECT_TRUE(newer("10.12.6", "10.12"));  // the longer text goes on where the shorter ends
    EXPECT_FALSE(same("1.6", "1.6.0"));
    EXPECT_TRUE(same("1.01", "1.1"));  // leading zeros carry no value
    EXPECT_TRUE(newer("1.6b", "1.6a"));
    EXPECT_TRUE(newer("1.6a", "1.6"));
    EXPECT_TRUE(same("", ""));
    EXPECT_TRUE(newer("1", ""));
}

TEST(VersionVerifierTest, LongDigitRunsNeitherOverflowNorTie) {
    // Runs far beyond 64 bits, as a peer may send them.
    EXPECT_TRUE(newer("1.99999999999999999999999999", "1.99999999999999999999999998"));
    EXPECT_TRUE(newer("1.100000000000000000000000000", "1.99999999999999999999999999"));
    EXPECT_FALSE(newer("1.18446744073709551616", "1.18446744073709551617"));
    EXPECT_TRUE(same("2.000000000000000000000000000000000007", "2.7"));
    EXPECT_TRUE(newer("4294967296", "4294967295"));
    EXPECT_TRUE(newer(std::string(10000, '9').c_str(), "1"));
}
