#include "link/transport/LEScannerIgnorePeripheral.h"

#include "app/support/Utilities.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/app/RecordArchiveHelpers.h"

using namespace kestrune;
using platform::Number;

namespace {
class LEScannerIgnorePeripheralTest : public recordtests::DataManagerFixture {};
}  // namespace

TEST_F(LEScannerIgnorePeripheralTest, EveryFieldRoundTripsUnderItsKey) {
    auto peripheral = LEScannerIgnorePeripheral::initWithUUID_ignoreReason("6E400001-B5A3", 3);
    peripheral->setNumberOfTimesIgnored(-2);
    auto data = recordtests::archive(platform::Value(peripheral));
    EXPECT_EQ(recordtests::storedKeys(data, "LEScannerIgnorePeripheral"),
              (std::set<std::string>{"uuid", "ignoreReasonNumber", "numberOfTimesIgnoredNumber"}));
    auto decoded = recordtests::unarchive<LEScannerIgnorePeripheral>(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->uuid(), std::optional<std::string>("6E400001-B5A3"));
    EXPECT_EQ(decoded->ignoreReason(), 3u);
    EXPECT_EQ(decoded->numberOfTimesIgnored(), -2);
}

TEST_F(LEScannerIgnorePeripheralTest, MissingFieldsStayMissingAndReadAsZero) {
    auto decoded = recordtests::roundTrip(LEScannerIgnorePeripheral::init());
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->uuid() || decoded->ignoreReasonNumber() || decoded->numberOfTimesIgnoredNumber());
    EXPECT_EQ(decoded->ignoreReason(), 0u);
    EXPECT_EQ(decoded->numberOfTimesIgnored(), 0);
}

TEST_F(LEScannerIgnorePeripheralTest, AReasonOnlyGrows) {
    auto peripheral = LEScannerIgnorePeripheral::initWithUUID_ignoreReason("p", 4);
    EXPECT_EQ(peripheral->numberOfTimesIgnored(), 0);
    peripheral->updateIgnoreReasonIfNeeded(1);
    EXPECT_EQ(peripheral->ignoreReason(), 4u);
    auto lower = LEScannerIgnorePeripheral::initWithUUID_ignoreReason("q", 1);
    lower->updateIgnoreReasonIfNeeded(4);
    EXPECT_EQ(lower->ignoreReason(), 4u);
}

TEST_F(LEScannerIgnorePeripheralTest, TheIgnoreListIsKeptInTheDeviceData) {
    auto& manager = relaunch();
    (*manager.model()->dictOfPeripheralsToIgnore())["p-1"] =
        LEScannerIgnorePeripheral::initWithUUID_ignoreReason("p-1", 2);
    ASSERT_TRUE(manager.saveCurrentDataModel());
    auto& later = relaunch();
    auto& list = *later.model()->dictOfPeripheralsToIgnore();
    ASSERT_EQ(list.size(), 1u);
    auto peripheral = std::dynamic_pointer_cast<LEScannerIgnorePeripheral>(list["p-1"]);
    ASSERT_TRUE(peripheral);
    EXPECT_EQ(peripheral->ignoreReason(), 2u);
}
