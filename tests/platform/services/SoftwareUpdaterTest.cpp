#include "platform/services/SoftwareUpdater.h"

#include <gtest/gtest.h>

#include "platform/storage/PropertyList.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::SoftwareUpdater;
using platform::Value;

namespace {

Data feed(const Value& root, platform::PropertyList::Format format = platform::PropertyList::Format::XML) {
    return *platform::PropertyList::dataFromValue(root, format);
}

TEST(SoftwareUpdaterTest, VersionsCompareNumberByNumber) {
    EXPECT_GT(SoftwareUpdater::compareVersions("3.10", "3.6.1"), 0);
    EXPECT_LT(SoftwareUpdater::compareVersions("3.6.1", "3.10"), 0);
    EXPECT_EQ(SoftwareUpdater::compareVersions("1.0", "1.0.0"), 0);
    EXPECT_EQ(SoftwareUpdater::compareVersions("01.2", "1.2"), 0);
    EXPECT_GT(SoftwareUpdater::compareVersions("1.0.10", "1.0.9"), 0);
    EXPECT_GT(SoftwareUpdater::compareVersions("100000000000000000000.1", "99999999999999999999.9"), 0);
    EXPECT_EQ(SoftwareUpdater::compareVersions("", "0"), 0);
    EXPECT_LT(SoftwareUpdater::compareVersions("2.0b", "2.1"), 0);
}

TEST(SoftwareUpdaterTest, TheFeedMustDescribeAnUpdate) {
    auto item = SoftwareUpdater::parseFeed(
        feed(Value(Value::Dictionary{{"version", "2.0"}, {"url", "https://example.invalid/k.zip"}}),
             platform::PropertyList::Format::Binary));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->version, "2.0");
    EXPECT_EQ(item->downloadURL, "https://example.invalid/k.zip");
    EXPECT_TRUE(SoftwareUpdater::parseFeed(feed(Value(Value::Dictionary{{"version", "2.0"}}))));
    EXPECT_FALSE(SoftwareUpdater::parseFeed(feed(Value(Value::Dictionary{{"version", 2}}))));
    EXPECT_FALSE(SoftwareUpdater::parseFeed(feed(Value(Value::Dictionary{{"version", ""}}))));
    EXPECT_FALSE(SoftwareUpdater::parseFeed(feed(Value(Value::Array{"version", "2.0"}))));
    EXPECT_FALSE(SoftwareUpdater::parseFeed(Data::fromString("{\"version\": \"2.0\"}")));
}

class SoftwareUpdaterEngineTest : public testsupport::KestruneTest {};

TEST_F(SoftwareUpdaterEngineTest, AnEngineWithoutAFeedStopsAtOnce) {
    struct Host : platform::SoftwareUpdaterDelegate {
        std::vector<platform::Error> errors;
        void updater_didAbortWithError(SoftwareUpdater&, const platform::Error& error) override {
            errors.push_back(error);
        }
    };
    auto host = std::make_shared<Host>();
    auto engine = SoftwareUpdater::create("/nonexistent");
    engine->setDelegate(host);
    ASSERT_FALSE(engine->feedURL());  // a fresh home has no stored feed
    engine->checkForUpdatesInBackground();
    ASSERT_EQ(host->errors.size(), 1u);
    EXPECT_EQ(host->errors[0].code, SoftwareUpdater::kNoFeedURL);
    EXPECT_FALSE(engine->updateInProgress());
    EXPECT_FALSE(engine->pathForHelper("relaunch"));
    EXPECT_FALSE(SoftwareUpdater::launchRelaunchTool("/nonexistent/relaunch", "/bin/true"));
}

}  // namespace
