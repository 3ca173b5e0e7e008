#include "reporting/core/CRKUserDefaults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <optional>
#include <string>

#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "tests/support/TestEnvironment.h"

using platform::Files;
using platform::Value;
using reporting::CRKUserDefaults;

namespace {

void resetStores() {
    CRKUserDefaults::resetStandardUserDefaultsForTesting();
    platform::UserDefaults::resetAllForTesting();
}
const bool registered = (testsupport::addResetHook(&resetStores), true);

class CRKUserDefaultsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        saved = platform::Bundle::main().infoDictionary();
        platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.kestrune/app"}});
    }
    void TearDown() override {
        platform::Bundle::main().setInfoDictionaryForTesting(saved);
        KestruneTest::TearDown();
    }
    std::string expectedFile() const {
        return platform::StandardFolders::applicationSupport() +
               "/com.kestrune_app/com.reportkit/CRKUserDefaults.plist";
    }
    // What the file holds, read back independently of the store.
    std::optional<Value::Dictionary> fileContents() const {
        auto bytes = Files::read(expectedFile());
        if (!bytes) return std::nullopt;
        auto value = platform::PropertyList::valueFromData(*bytes);
        if (!value || !value->dictionary()) return std::nullopt;
        return *value->dictionary();
    }

    Value::Dictionary saved;
};

TEST_F(CRKUserDefaultsTest, TheFileLivesInTheKitsOwnFolderAndIsWrittenOnlyWhenSomethingChanged) {
    auto store = CRKUserDefaults::standardUserDefaults();
    EXPECT_EQ(store, CRKUserDefaults::standardUserDefaults());
    EXPECT_EQ(store->fileURL(), expectedFile());
    EXPECT_EQ(CRKUserDefaults::generateDirectoryURLForBaseURL_hostAppBundleIdentifier("/base", ""),
              "/base/com.reportkit");

    EXPECT_TRUE(store->synchronize());
    EXPECT_FALSE(store->synchronizeWroteToDisk());
    EXPECT_FALSE(Files::exists(expectedFile()));

    store->setString_forKey("abc", "com.reportkit.iuuid");
    store->setInteger_forKey(2, "com.reportkit.data_collection");
    store->setBool_forKey(true, "flag");
    EXPECT_FALSE(Files::exists(expectedFile()));  // setters stay in memory
    EXPECT_TRUE(store->synchronize());
    EXPECT_TRUE(store->synchronizeWroteToDisk());
    auto contents = fileContents();
    ASSERT_TRUE(contents);
    EXPECT_EQ((*contents)["com.reportkit.iuuid"], Value("abc"));
    EXPECT_EQ((*contents)["com.reportkit.data_collection"].number()->longLongValue(), 2);

    store->setObject_forKey(Value(), "flag");  // none removes
    EXPECT_TRUE(store->synchronize());
    contents = fileContents();
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->count("flag"), 0u);
    EXPECT_TRUE(store->synchronize());
    EXPECT_FALSE(store->synchronizeWroteToDisk());

    // A new process reads what was written.
    CRKUserDefaults::resetStandardUserDefaultsForTesting();
    EXPECT_EQ(CRKUserDefaults::standardUserDefaults()->stringForKey("com.reportkit.iuuid"), "abc");
}

TEST_F(CRKUserDefaultsTest, TypedReadsAnswerSafeValuesForOtherKinds) {
    auto store = CRKUserDefaults::standardUserDefaults();
    store->setString_forKey("YES", "text");
    store->setInteger_forKey(7, "number");
    EXPECT_FALSE(store->boolForKey("text"));
    EXPECT_EQ(store->integerForKey("text"), 0);
    EXPECT_EQ(store->integerForKey("missing"), 0);
    EXPECT_TRUE(store->boolForKey("number"));
    EXPECT_FALSE(store->stringForKey("number"));
    store->removeAllObjects();
    EXPECT_TRUE(store->dictionaryRepresentation().empty());
}

TEST_F(CRKUserDefaultsTest, AFailedWriteIsReportedAndTriedAgainWithoutAFurtherChange) {
    testsupport::LogCapture log;
    auto store = CRKUserDefaults::standardUserDefaults();
    store->setString_forKey("kept", "key");
    Files::failNextWriteAfter(0);
    EXPECT_FALSE(store->synchronize());
    EXPECT_FALSE(store->synchronizeWroteToDisk());
    EXPECT_TRUE(
        log.contains("[ReportKit:UserDefaults] Unable to open file for writing at path " + expectedFile()));
    EXPECT_TRUE(store->persistedDataDictionary().empty());
    EXPECT_EQ(store->objectForKey("key"), Value("kept"));

    EXPECT_TRUE(store->synchronize());
    EXPECT_TRUE(store->synchronizeWroteToDisk());
    ASSERT_TRUE(fileContents());
    EXPECT_EQ((*fileContents())["key"], Value("kept"));
}

TEST_F(CRKUserDefaultsTest, AFolderInTheFilesPlaceIsMovedAsideWithWhatItHolds) {
    ASSERT_TRUE(
        Files::writeAtomically(expectedFile() + "/inside/precious", platform::Data::fromString("mine")));
    testsupport::LogCapture log;
    auto store = CRKUserDefaults::standardUserDefaults();
    EXPECT_TRUE(log.contains("[ReportKit:UserDefaults] found directory where file expected"));
    EXPECT_FALSE(Files::exists(expectedFile()));
    EXPECT_TRUE(store->dictionaryRepresentation().empty());
    std::optional<std::string> keptAs;
    for (const auto& name : Files::listDirectory(Files::parentPath(expectedFile())))
        if (name.find("CRKUserDefaults.plist.unreadable-") == 0)
            keptAs = Files::parentPath(expectedFile()) + "/" + name;
    ASSERT_TRUE(keptAs);
    EXPECT_TRUE(log.contains(*keptAs));
    ASSERT_TRUE(Files::read(*keptAs + "/inside/precious"));
    EXPECT_EQ(Files::read(*keptAs + "/inside/precious")->toString(), "mine");
    store->setString_forKey("v", "k");
    EXPECT_TRUE(store->synchronize());
    EXPECT_TRUE(fileContents());
}

TEST_F(CRKUserDefaultsTest, AnUnreadableFileIsMovedAsideNotOverwritten) {
    ASSERT_TRUE(Files::writeAtomically(expectedFile(), platform::Data::fromString("not a property list")));
    testsupport::LogCapture log;
    auto store = CRKUserDefaults::standardUserDefaults();
    EXPECT_TRUE(log.contains("[ReportKit:UserDefaults] failed to read existing UserDefaults file"));
    EXPECT_TRUE(store->dictionaryRepresentation().empty());
    bool keptAside = false;
    for (const auto& name : Files::listDirectory(Files::parentPath(expectedFile())))
        keptAside = keptAside || name.find("CRKUserDefaults.plist.unreadable-") == 0;
    EXPECT_TRUE(keptAside);
}

TEST_F(CRKUserDefaultsTest, AnUnreadableFileThatCannotBeMovedAsideIsNeverSavedOver) {
    ASSERT_TRUE(Files::writeAtomically(expectedFile(), platform::Data::fromString("not a property list")));
    // Every name the file could be moved to is taken, the last by a folder: the move fails.
    const std::string stem =
        expectedFile() + ".unreadable-" + std::to_string(static_cast<long long>(std::floor(now())));
    auto take = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        return fd >= 0 && ::close(fd) == 0;
    };
    ASSERT_TRUE(take(stem));
    for (int n = 2; n < 999; ++n) ASSERT_TRUE(take(stem + "-" + std::to_string(n)));
    ASSERT_TRUE(Files::createDirectories(stem + "-999/x"));

    auto store = CRKUserDefaults::standardUserDefaults();
    EXPECT_TRUE(store->dictionaryRepresentation().empty());
    store->setString_forKey("v", "k");
    testsupport::LogCapture log;
    EXPECT_FALSE(store->synchronize());
    EXPECT_TRUE(log.contains("not saving over the unreadable file"));
    EXPECT_EQ(Files::read(expectedFile())->toString(), "not a property list");
}

TEST_F(CRKUserDefaultsTest, AKeyOnlyInThePlatformsDefaultsMovesOverOnceItIsSaved) {
    auto platformDefaults = platform::UserDefaults::standard();
    ASSERT_TRUE(platformDefaults->setString_forKey("from-before", "com.reportkit.iuuid"));
    auto store = CRKUserDefaults::standardUserDefaults();
    EXPECT_EQ(store->objectForKeyByMigratingFromNSUserDefaults("com.reportkit.iuuid"), Value("from-before"));
    ASSERT_TRUE(fileContents());
    EXPECT_EQ((*fileContents())["com.reportkit.iuuid"], Value("from-before"));
    EXPECT_TRUE(platformDefaults->objectForKey("com.reportkit.iuuid").isNull());
    EXPECT_TRUE(store->objectForKeyByMigratingFromNSUserDefaults("absent").isNull());
    EXPECT_TRUE(store->objectForKeyByMigratingFromNSUserDefaults("").isNull());

    // When this store cannot save it, the platform's copy stays.
    ASSERT_TRUE(platformDefaults->setString_forKey("precious", "other"));
    Files::failNextWriteAfter(0);
    EXPECT_EQ(store->objectForKeyByMigratingFromNSUserDefaults("other"), Value("precious"));
    EXPECT_EQ(platformDefaults->objectForKey("other"), Value("precious"));
}

TEST_F(CRKUserDefaultsTest, MigratingAListMovesWhatExistsAndRemovesEveryListedKey) {
    auto platformDefaults = platform::UserDefaults::standard();
    ASSERT_TRUE(platformDefaults->setInteger_forKey(1, "a"));
    auto store = CRKUserDefaults::standardUserDefaults();
    store->migrateFromNSUserDefaults({"a", "b"});
    EXPECT_EQ(store->integerForKey("a"), 1);
    EXPECT_TRUE(platformDefaults->objectForKey("a").isNull());
    ASSERT_TRUE(fileContents());
    EXPECT_EQ(fileContents()->count("a"), 1u);

    store->migrateFromNSUserDefaults({"nothing", "here"});  // nothing moved: nothing touched
    EXPECT_EQ(fileContents()->size(), 1u);
}

}  // namespace

namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

TEST_F(CRKUserDefaultsTest, KilledSavesLeaveNoCopiesAndTheFileIsTheUsersAlone) {
    // An earlier version's open folders, and the copies that saves killed half-way left behind.
    const std::string folder = Files::parentPath(expectedFile());
    ASSERT_TRUE(Files::createDirectories(folder, 0755));
    ::chmod(Files::parentPath(folder).c_str(), 0755);
    ::chmod(folder.c_str(), 0755);
    const std::vector<std::string> leftovers = {folder + "/.CRKUserDefaults.plist.tmp-a1B2c3",
                                                folder + "/.CRKUserDefaults.plist.tmp-zzzzzz"};
    for (const auto& path : leftovers)
        ASSERT_TRUE(Files::writeAtomically(path, platform::Data::fromString("x")));
    const std::string other = folder + "/.other.plist.tmp-a1B2c3";  // not the store's: left alone
    ASSERT_TRUE(Files::writeAtomically(other, platform::Data::fromString("x")));

    auto store = CRKUserDefaults::standardUserDefaults();
    for (const auto& path : leftovers) EXPECT_FALSE(Files::exists(path)) << path;
    EXPECT_TRUE(Files::exists(other));

    store->setString_forKey("abc", "com.reportkit.iuuid");
    ASSERT_TRUE(store->synchronize());
    EXPECT_EQ(modeOf(expectedFile()), 0600u);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(Files::parentPath(folder)), 0700u);
}

}  // namespace
