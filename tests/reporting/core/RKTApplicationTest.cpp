#include "reporting/core/RKTApplication.h"

#include <cstdlib>
#include <fstream>

#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "platform/system/SystemVersion.h"
#include "reporting/core/RKTHost.h"
#include "tests/support/TestEnvironment.h"

using namespace reporting;
using platform::Value;

namespace {

// Points the main bundle at a folder of the test and gives it the facts a test needs.
class RKTApplicationTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        bundle = home() + "/Kestrune.app";
        platform::Files::createDirectories(bundle);
        setenv("KESTRUNE_BUNDLE_PATH", bundle.c_str(), 1);
        platform::Bundle::main().reload();
    }
    void TearDown() override {
        platform::SystemVersion::setOverride(std::nullopt);
        unsetenv("KESTRUNE_BUNDLE_PATH");
        platform::Bundle::main().reload();
        KestruneTest::TearDown();
    }
    void facts(Value::Dictionary info) {
        platform::Bundle::main().setInfoDictionaryForTesting(std::move(info));
    }
    void addReceipt() {
        platform::Files::createDirectories(bundle + "/_MASReceipt");
        std::ofstream(bundle + "/_MASReceipt/receipt") << "receipt";
    }

    std::string bundle;
};

TEST_F(RKTApplicationTest, IdentityAndVersionsComeFromTheInfoDictionary) {
    facts({{"CFBundleIdentifier", "com.kestrune/Kestrune/beta"},
           {"CFBundleVersion", "412"},
           {"CFBundleShortVersionString", "2.3"},
           {"CFBundleName", "Kestrune"}});
    EXPECT_EQ(RKTApplicationGetBundleIdentifier(), "com.kestrune_Kestrune_beta");
    EXPECT_EQ(RKTApplicationGetBuildVersion(), "412");
    EXPECT_EQ(RKTApplicationGetDisplayVersion(), "2.3");
    EXPECT_EQ(RKTApplicationGetName(), "Kestrune");

    facts(
        {{"CFBundleVersion", "412"}, {"CFBundleDisplayName", "Kestrune Beta"}, {"CFBundleName", "Kestrune"}});
    EXPECT_EQ(RKTApplicationGetName(), "Kestrune Beta");

    facts({{"CFBundleVersion", "412"}, {"CFBundleName", 7}});  // a name that is no text does not count
    EXPECT_EQ(RKTApplicationGetName(), "412");
    facts({});
    EXPECT_FALSE(RKTApplicationGetName());
}

TEST_F(RKTApplicationTest, InstallationSourceLooksForTheReceiptOnlyOnSystemsWithAVersionCode) {
    facts({});
    EXPECT_EQ(RKTApplicationInstallationSource(), 1);
    facts({{"CrashKitSignedForDistribution", true}});
    EXPECT_EQ(RKTApplicationInstallationSource(), 3);
    facts({{"CrashKitSignedForDistribution", "YES"}});
    EXPECT_TRUE(RKTApplicationIsSignedForDistribution());
    facts({{"CrashKitSignedForDistribution", "no"}});
    EXPECT_FALSE(RKTApplicationIsSignedForDistribution());

    addReceipt();
    platform::SystemVersion::setOverride("10.14.6");
    EXPECT_TRUE(RKTApplicationHasAppStoreReceipt());
    EXPECT_EQ(RKTApplicationInstallationSource(), 4);
    platform::SystemVersion::setOverride("10.15.1");  // version code 0: the receipt is not consulted
    EXPECT_FALSE(RKTApplicationHasAppStoreReceipt());
    EXPECT_EQ(RKTApplicationInstallationSource(), 1);
    facts({{"CrashKitSignedForDistribution", 1}});
    EXPECT_EQ(RKTApplicationInstallationSource(), 3);
}

TEST_F(RKTApplicationTest, VersionCodesFollowTheMinorVersionAlone) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"10.5.8", 0},     {"10.6.8", 1060},    {"10.7", 1070},      {"10.9.5", 1090},
        {"10.10", 101000}, {"10.13.6", 101300}, {"10.14.6", 101400}, {"10.15.7", 0},
        {"11.0.1", 0},     {"12.14", 101400},   {"garbage", 0},
    };
    for (const auto& [version, code] : cases) {
        platform::SystemVersion::setOverride(version);
        EXPECT_EQ(RKTHostOSVersionCode(), code) << version;
    }
    platform::SystemVersion::setOverride("10.14.6");
    EXPECT_EQ(RKTHostOperatingSystemDisplayVersion(), "10.14.6");
    int64_t major = -1, minor = -1, patch = -1;
    RKTHostGetOSVersion(&major, &minor, &patch);
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 14);
    EXPECT_EQ(patch, 6);
}

TEST_F(RKTApplicationTest, SystemFactsComeFromTheSimulatedSystemOrProcSys) {
    EXPECT_EQ(RKTHostOperatingSystemBuildVersion(), platform::SystemVersion::buildVersion());
    EXPECT_EQ(RKTHostModelName(), platform::Host::machineModel());
    EXPECT_EQ(RKTHostSysctlString("kernel.ostype"), "Linux");
    EXPECT_FALSE(RKTHostSysctlString("no.such.fact"));
    EXPECT_FALSE(RKTHostSysctlString("../../etc/passwd"));
    EXPECT_FALSE(RKTHostSysctlString(""));
}

}  // namespace
