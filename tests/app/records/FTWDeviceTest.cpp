#include "app/records/FTWDevice.h"

#include "platform/system/ProcessInfo.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Screen.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

namespace {
class FTWDeviceTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        unsetenv("KESTRUNE_COMPUTER_NAME");
        unsetenv("KESTRUNE_MACHINE_MODEL");
        platform::SystemVersion::setOverride(std::nullopt);
        platform::ui::Screen::resetForTesting();
        KestruneTest::TearDown();
    }
};
}  // namespace

TEST_F(FTWDeviceTest, FamilyCodesTestTheLongerPrefixesFirst) {
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("MacBookAir8,1"), 0);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("MacBookPro15,1"), 1);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("MacBook10,1"), 2);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("MacPro7,1"), 3);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("iMac19,1"), 4);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("Macmini8,1"), 5);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel("VMware7,1"), 6);
    EXPECT_EQ(FTWDevice::deviceFamilyForModel(""), 6);

    setenv("KESTRUNE_MACHINE_MODEL", "Xserve3,1", 1);
    EXPECT_EQ(FTWDevice::currentDeviceFamily(), 6);
    EXPECT_EQ(FTWDevice().model(), "");
    setenv("KESTRUNE_MACHINE_MODEL", "Macmini8,1", 1);
    EXPECT_EQ(FTWDevice().model(), "Mac mini");
}

TEST_F(FTWDeviceTest, TheLocalizedNameLosesTheSystemsCounter) {
    setenv("KESTRUNE_COMPUTER_NAME", "Ada's MacBook (3)", 1);
    EXPECT_EQ(FTWDevice().localizedName(), "Ada's MacBook (3)");
    EXPECT_EQ(FTWDevice::currentDeviceLocalizedName(), "Ada's MacBook ");
    unsetenv("KESTRUNE_COMPUTER_NAME");
    EXPECT_EQ(FTWDevice::currentDeviceLocalizedName(), platform::ProcessInfo::shared().hostName());
}

TEST_F(FTWDeviceTest, SystemFacts) {
    FTWDevice device;
    EXPECT_EQ(device.systemName(), "OS X");
    platform::SystemVersion::setOverride("10.12");
    EXPECT_EQ(device.systemVersion(), "10.12.0");
    EXPECT_FALSE(device.platform().empty());
    ASSERT_TRUE(device.CPUCount());
    EXPECT_GT(*device.CPUCount(), 0u);
    ASSERT_TRUE(device.totalDiskSpace() && device.freeDiskSpace());
    EXPECT_GE(device.totalDiskSpace()->unsignedLongLongValue(),
              device.freeDiskSpace()->unsignedLongLongValue());
    EXPECT_FALSE(device.serialNumber().empty());
    EXPECT_EQ(device.uniqueIdentifier().size(), 32u);
    EXPECT_EQ(&FTWDevice::currentDevice(), &FTWDevice::currentDevice());
}

TEST_F(FTWDeviceTest, RetinaOnlyWhenTheMainScreenDrawsAtExactlyTwice) {
    using platform::ui::Screen;
    FTWDevice device;
    EXPECT_TRUE(device.isRetina());  // the simulated display
    // Asked anew each time, of the main screen alone.
    Screen::setScreensForTesting({{{0, 0, 1920, 1080}, 1}, {{1920, 0, 2880, 1800}, 2}});
    EXPECT_FALSE(device.isRetina());
    Screen::setScreensForTesting({{{0, 0, 1680, 1050}, 3}});
    EXPECT_FALSE(device.isRetina());
}
