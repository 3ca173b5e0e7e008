#include "reporting/core/RKTURLBuilder.h"

#include "tests/support/TestEnvironment.h"

using platform::Value;
using reporting::RKTURLBuilder;

class RKTURLBuilderTest : public testsupport::KestruneTest {};

TEST_F(RKTURLBuilderTest, QueryParametersAreJoinedAndCountedAndNullValuesLeftOut) {
    auto builder = RKTURLBuilder::URLWithBase("https://h.test/x");
    builder->appendValue_forQueryParam(Value(), "skipped");
    EXPECT_EQ(builder->queryParams(), 0u);
    builder->appendValue_forQueryParam("1", "a");
    builder->appendValue_forQueryParam(2, "b");
    builder->appendValue_forQueryParam(Value(), "c");
    EXPECT_EQ(builder->queryParams(), 2u);
    EXPECT_EQ(builder->URL(), "https://h.test/x?a=1&b=2");
}

TEST_F(RKTURLBuilderTest, EscapingKeepsReservedCharactersAndEscapesTheRest) {
    RKTURLBuilder builder;
    EXPECT_EQ(builder.escapeString("a/b?c&d=e+f"), "a/b?c&d=e+f");
    EXPECT_EQ(builder.escapeString("a b#c%d\"<>\\^`{|}[]"), "a%20b%23c%25d%22%3C%3E%5C%5E%60%7B%7C%7D%5B%5D");
    EXPECT_EQ(builder.escapeString("caf\xC3\xA9"), "caf%C3%A9");
    EXPECT_EQ(builder.escapeString("-._~!$'()*,;:@"), "-._~!$'()*,;:@");

    auto url = RKTURLBuilder::URLWithBase("https://h.test");
    url->appendComponent("/apps/");
    url->escapeAndAppendComponent("com.example app");
    url->appendValue_forQueryParam("1.0 (beta)", "v");
    EXPECT_EQ(url->URL(), "https://h.test/apps/com.example%20app?v=1.0%20(beta)");
}

TEST_F(RKTURLBuilderTest, AnAddressWithUnescapedOrBrokenCharactersIsNoURL) {
    auto spaced = RKTURLBuilder::URLWithBase("https://h.test/a b");
    EXPECT_FALSE(spaced->URL());
    EXPECT_FALSE(RKTURLBuilder::URLWithBase("https://h.test/%2")->URL());
    EXPECT_FALSE(RKTURLBuilder::URLWithBase("https://h.test/%zz")->URL());
    EXPECT_FALSE(RKTURLBuilder::URLWithBase("")->URL());
    EXPECT_EQ(RKTURLBuilder::URLWithBase("http://[::1]:80/a%2Fb#top")->URL(), "http://[::1]:80/a%2Fb#top");
}
