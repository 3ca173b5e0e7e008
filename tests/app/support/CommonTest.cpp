#include "app/support/Common.h"

#include <regex>
#include <set>

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Localizable.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Data;

class CommonTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        Common::resetLaunchAnswersForTesting();
        platform::UserDefaults::resetAllForTesting();
    }
    void TearDown() override {
        Common::resetLaunchAnswersForTesting();
        platform::UserDefaults::resetAllForTesting();
        platform::ProcessInfo::shared().setArguments({});
        KestruneTest::TearDown();
    }
    // A new process of the same installation.
    void relaunch() {
        Common::resetLaunchAnswersForTesting();
        platform::UserDefaults::resetAllForTesting();
    }
    static Data bytes(size_t n) {
        Data d;
        for (size_t i = 0; i < n; ++i) d.append(std::string(1, static_cast<char>('a' + i % 26)));
        return d;
    }
    // Cuts a frame the way the link's sender does.
    static std::vector<size_t> chunkSizes(const Data& frame) {
        std::vector<size_t> sizes;
        std::optional<Data> rest = frame;
        while (rest && Common::hasData(*rest)) {
            auto next = Common::getNextDataFromData(*rest);
            sizes.push_back(next["data"].data()->size());
            rest = Common::readData_withRange(*rest, *next["range"].string());
        }
        return sizes;
    }
};

TEST_F(CommonTest, ChunkDescriptions) {
    auto of20 = Common::getNextDataFromData(bytes(20));
    EXPECT_EQ(of20["data"].data()->size(), 20u);
    EXPECT_EQ(*of20["range"].string(), "{20,0}");
    auto of0 = Common::getNextDataFromData(Data());
    EXPECT_TRUE(of0["data"].data()->empty());
    EXPECT_EQ(*of0["range"].string(), "{0,0}");
    auto of45 = Common::getNextDataFromData(bytes(45));
    EXPECT_EQ(of45["data"].data()->toString(), "abcdefghijklmnopqrst");
    EXPECT_EQ(*of45["range"].string(), "{20,25}");
    EXPECT_FALSE(Common::readData_withRange(bytes(19), "{0,5}"));
    EXPECT_EQ(Common::readData_withRange(bytes(45), "{20,25}")->toString(),
              bytes(45).subdata(20, 25)->toString());
}

TEST_F(CommonTest, FramesAreCutIntoTwentyByteChunks) {
    EXPECT_EQ(chunkSizes(bytes(45)), (std::vector<size_t>{20, 20, 5}));
    EXPECT_EQ(chunkSizes(bytes(40)), (std::vector<size_t>{20, 20}));
    EXPECT_EQ(chunkSizes(bytes(7)), (std::vector<size_t>{7}));
    EXPECT_TRUE(chunkSizes(Data()).empty());
}

TEST_F(CommonTest, RangesOutsideTheDataAreRefused) {
    EXPECT_FALSE(Common::readData_withRange(bytes(30), "{20,11}"));
    EXPECT_FALSE(Common::readData_withRange(bytes(30), "{-1,5}"));
    EXPECT_FALSE(Common::readData_withRange(bytes(30), "20,5"));
    EXPECT_FALSE(Common::readData_withRange(bytes(30), "{20,99999999999999999999999}"));
}

TEST_F(CommonTest, IdentifiersAndRandomTexts) {
    std::regex uuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    std::string a = Common::GetUUID();
    EXPECT_TRUE(std::regex_match(a, uuid)) << a;
    EXPECT_NE(a, Common::GetUUID());

    EXPECT_EQ(Common::randomStringWithLength(0), "");
    EXPECT_EQ(Common::randomStringWithLength(-3), "");
    std::string r = Common::randomStringWithLength(25);
    EXPECT_EQ(r.size(), 25u);
    EXPECT_TRUE(std::regex_match(r, std::regex("^[a-zA-Z0-9]{25}$")));
    std::set<char> seen;
    for (char c : Common::randomStringWithLength(4000)) seen.insert(c);
    EXPECT_GT(seen.size(), 55u);  // draws from all 62 characters
}

TEST_F(CommonTest, VersionAndMetric) {
    EXPECT_EQ(Common::getAppVersion(), platform::Bundle::main().shortVersionString());
    EXPECT_FALSE(Common::getAppVersion().empty());
    setLocalizedStringLookup([](const std::string& key) -> std::optional<std::string> {
        if (key == "version") return std::string("Version %@");
        return std::nullopt;
    });
    EXPECT_EQ(Common::versionText(), "Version " + Common::getAppVersion());
    setLocalizedStringLookup(nullptr);

    setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(Common::getDefaultMetricSystem(), 2);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(Common::getDefaultMetricSystem(), 1);
    unsetenv("LC_ALL");
}

TEST_F(CommonTest, FirstLaunchBookkeepingAcrossRuns) {
    EXPECT_TRUE(Common::isFirstEverLaunch());
    EXPECT_TRUE(Common::isFirstEverLaunch());  // the whole first run says YES
    EXPECT_TRUE(Common::isFirstLaunchOfNewVersion());
    std::string id = Common::uniqueAppIdentifier();
    EXPECT_EQ(Common::uniqueAppIdentifier(), id);

    relaunch();
    EXPECT_FALSE(Common::isFirstEverLaunch());
    EXPECT_FALSE(Common::isFirstLaunchOfNewVersion());
    EXPECT_EQ(Common::uniqueAppIdentifier(), id);

    // An update: the stored version differs from the running one.
    platform::UserDefaults::standard()->setObject_forKey("0.9.0", "previousLaunchVersion");
    relaunch();
    EXPECT_TRUE(Common::isFirstLaunchOfNewVersion());
    EXPECT_TRUE(Common::isFirstLaunchOfNewVersion());
    relaunch();
    EXPECT_FALSE(Common::isFirstLaunchOfNewVersion());
}

TEST_F(CommonTest, BookkeepingStaysInTheStandardDefaultsOnACleanRun) {
    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run"});
    DeviceLocalSettings::resetSharedForTesting();
    DeviceLocalSettings::shared();
    EXPECT_TRUE(Common::isFirstEverLaunch());
    EXPECT_TRUE(platform::UserDefaults::standard()->objectForKey("HasLaunchedOnce").number()->boolValue());
    EXPECT_TRUE(platform::UserDefaults::suite("CleanRun")->objectForKey("HasLaunchedOnce").isNull());
    DeviceLocalSettings::resetSharedForTesting();
}
