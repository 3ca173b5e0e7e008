#include "platform/storage/UserDefaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>
#include <vector>

#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Date;
using platform::Files;
using platform::Number;
using platform::PropertyList;
using platform::UserDefaults;
using platform::Value;

namespace {

class UserDefaultsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        testsupport::KestruneTest::SetUp();
        UserDefaults::resetAllForTesting();
    }
    std::string standardFile() const { return home() + "/.config/Kestrune/com.kestrune.Kestrune.plist"; }
    Value fileContents(const std::string& path) const {
        auto data = Files::read(path);
        if (!data) return Value();
        auto value = PropertyList::valueFromData(*data);
        return value ? *value : Value();
    }
};

}  // namespace

TEST_F(UserDefaultsTest, StoredValueWinsOverRegisteredDefault) {
    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->filePath(), standardFile());
    defaults->registerDefaults({{"proximityLockDistance", 60.0}, {"automatically_update", true}});
    defaults->registerDefaults({{"auth_request", 2}});  // merged, not replaced
    EXPECT_EQ(defaults->integerForKey("proximityLockDistance"), 60);
    EXPECT_TRUE(defaults->boolForKey("automatically_update"));
    EXPECT_EQ(defaults->integerForKey("auth_request"), 2);
    EXPECT_TRUE(defaults->objectForKey("last_used_language").isNull());
    EXPECT_FALSE(Files::exists(standardFile()));  // registering writes nothing

    EXPECT_TRUE(defaults->setInteger_forKey(52, "proximityLockDistance"));
    EXPECT_EQ(defaults->integerForKey("proximityLockDistance"), 52);
    EXPECT_TRUE(defaults->removeObjectForKey("proximityLockDistance"));
    EXPECT_EQ(defaults->objectForKey("proximityLockDistance"), Value(60.0));

    EXPECT_TRUE(defaults->setBool_forKey(false, "automatically_update"));
    auto all = defaults->dictionaryRepresentation();
    EXPECT_EQ(all.size(), 3u);
    EXPECT_EQ(all["automatically_update"], Value(false));
    EXPECT_EQ(all["auth_request"], Value(2));
    // Only the stored value is in the file.
    EXPECT_EQ(fileContents(standardFile()), Value(Value::Dictionary{{"automatically_update", false}}));
}

TEST_F(UserDefaultsTest, EveryWriteReachesTheFileBeforeTheSetterReturns) {
    Date when = Date::dateWithTimeIntervalSince1970(1700000000);
    {
        auto defaults = UserDefaults::standard();
        ASSERT_TRUE(defaults->setBool_forKey(true, "proximityLockIsOn"));
        ASSERT_TRUE(defaults->setInteger_forKey(-1, "action_on_logout"));
        ASSERT_TRUE(defaults->setDouble_forKey(0.25, "ratio"));
        ASSERT_TRUE(defaults->setString_forKey("de", "last_used_language"));
        ASSERT_TRUE(defaults->setDate_forKey(when, "first_run_date"));
        ASSERT_TRUE(defaults->setObject_forKey(Value(Value::Array{"AB-CD"}), "StoredDevices"));
    }
    struct stat info {};
    ASSERT_EQ(stat(standardFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    UserDefaults::resetAllForTesting();  // a fresh process reads what the last one wrote
    auto fresh = UserDefaults::standard();
    EXPECT_TRUE(fresh->boolForKey("proximityLockIsOn"));
    EXPECT_EQ(fresh->integerForKey("action_on_logout"), -1);
    EXPECT_DOUBLE_EQ(fresh->doubleForKey("ratio"), 0.25);
    EXPECT_EQ(fresh->stringForKey("last_used_language"), "de");
    EXPECT_EQ(fresh->dateForKey("first_run_date"), when);
    EXPECT_EQ(fresh->objectForKey("StoredDevices"), Value(Value::Array{"AB-CD"}));
}

// Setting a value the file already holds writes nothing (a start-up sets several keys to what they
// were); a file changed behind the store's back still receives the store's values.
TEST_F(UserDefaultsTest, ASetterThatChangesNothingLeavesTheFileAlone) {
    const auto inode = [this] {
        struct stat info {};
        return stat(standardFile().c_str(), &info) == 0 ? info.st_ino : 0;
    };
    auto defaults = UserDefaults::standard();
    defaults->registerDefaults({{"failedToLockMac", false}});
    ASSERT_TRUE(defaults->setString_forKey("en", "last_used_language"));
    ASSERT_TRUE(defaults->setBool_forKey(false, "failedToLockMac"));
    const ino_t saved = inode();
    ASSERT_NE(saved, 0u);
    EXPECT_TRUE(defaults->setString_forKey("en", "last_used_language"));
    EXPECT_TRUE(defaults->setBool_forKey(false, "failedToLockMac"));
    EXPECT_TRUE(defaults->removeObjectForKey("never stored"));
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(inode(), saved);

    // Another value, or the same number stored as another type, is a change.
    EXPECT_TRUE(defaults->setInteger_forKey(0, "failedToLockMac"));
    EXPECT_NE(inode(), saved);
    EXPECT_EQ(fileContents(standardFile()),
              Value(Value::Dictionary{{"last_used_language", "en"}, {"failedToLockMac", 0}}));

    // The file replaced by another writer: the next set puts the store's values back, the one just set
    // included.
    ASSERT_TRUE(Files::writeAtomically(
        standardFile(),
        *PropertyList::dataFromValue(Value(Value::Dictionary{{"other", 1}}), PropertyList::Format::XML),
        0600));
    EXPECT_TRUE(defaults->setString_forKey("en", "last_used_language"));
    EXPECT_EQ(fileContents(standardFile()),
              Value(Value::Dictionary{{"last_used_language", "en"}, {"failedToLockMac", 0}}));
    // Removed behind its back: written again.
    ASSERT_TRUE(Files::remove(standardFile()));
    EXPECT_TRUE(defaults->setString_forKey("en", "last_used_language"));
    EXPECT_TRUE(Files::exists(standardFile()));
}

TEST_F(UserDefaultsTest, TypedReadsConvertOrAnswerNothing) {
    auto defaults = UserDefaults::standard();
    defaults->setString_forKey("YES", "textYes");
    defaults->setString_forKey("42", "textNumber");
    defaults->setString_forKey("words", "text");
    defaults->setInteger_forKey(7, "number");
    defaults->setObject_forKey(Value(Data::fromString("x")), "bytes");
    EXPECT_TRUE(defaults->boolForKey("textYes"));
    EXPECT_TRUE(defaults->boolForKey("textNumber"));
    EXPECT_FALSE(defaults->boolForKey("text"));
    EXPECT_FALSE(defaults->boolForKey("bytes"));
    EXPECT_FALSE(defaults->boolForKey("missing"));
    EXPECT_EQ(defaults->integerForKey("textNumber"), 42);
    EXPECT_EQ(defaults->integerForKey("text"), 0);
    EXPECT_EQ(defaults->integerForKey("missing"), 0);
    EXPECT_EQ(defaults->stringForKey("number"), "7");
    EXPECT_FALSE(defaults->stringForKey("bytes"));
    EXPECT_FALSE(defaults->dateForKey("number"));
    EXPECT_DOUBLE_EQ(defaults->doubleForKey("textNumber"), 42.0);
}

TEST_F(UserDefaultsTest, NullRemovesAndUnstorableValuesAreRefused) {
    auto defaults = UserDefaults::standard();
    ASSERT_TRUE(defaults->setString_forKey("x", "key"));
    EXPECT_TRUE(defaults->setObject_forKey(Value(), "key"));
    EXPECT_TRUE(defaults->objectForKey("key").isNull());
    testsupport::LogCapture log;
    EXPECT_FALSE(defaults->setObject_forKey(Value(Value::Array{1, Value()}), "broken"));
    EXPECT_TRUE(log.contains("refused"));
    EXPECT_TRUE(defaults->objectForKey("broken").isNull());
}

TEST_F(UserDefaultsTest, SuitesAreSeparateAndSharedByName) {
    auto clean = UserDefaults::suite("CleanRun");
    EXPECT_EQ(clean, UserDefaults::suite("CleanRun"));
    EXPECT_NE(clean, UserDefaults::standard());
    ASSERT_TRUE(clean->setBool_forKey(true, "failedToLockMac"));
    EXPECT_FALSE(UserDefaults::standard()->boolForKey("failedToLockMac"));
    EXPECT_TRUE(Files::exists(home() + "/.config/Kestrune/CleanRun.plist"));

    // A suite name cannot place its file outside the folder.
    auto odd = UserDefaults::suite("../../escape");
    EXPECT_EQ(Files::parentPath(odd->filePath()), home() + "/.config/Kestrune");
    ASSERT_TRUE(odd->setBool_forKey(true, "x"));
    EXPECT_FALSE(Files::exists(home() + "/escape.plist"));
}

TEST_F(UserDefaultsTest, RemovePersistentDomainClearsStoredValuesOnly) {
    auto clean = UserDefaults::suite("CleanRun");
    clean->registerDefaults({{"logout_on_disconnect", false}});
    ASSERT_TRUE(clean->setBool_forKey(true, "logout_on_disconnect"));
    ASSERT_TRUE(UserDefaults::standard()->setBool_forKey(true, "kept"));

    // Named from another store: the one store of that suite is cleared.
    EXPECT_TRUE(UserDefaults::standard()->removePersistentDomainForName("CleanRun"));
    EXPECT_FALSE(clean->boolForKey("logout_on_disconnect"));
    EXPECT_EQ(clean->objectForKey("logout_on_disconnect"), Value(false));  // the default remains
    EXPECT_FALSE(Files::exists(clean->filePath()));
    EXPECT_TRUE(UserDefaults::standard()->boolForKey("kept"));

    ASSERT_TRUE(clean->setInteger_forKey(3, "n"));
    EXPECT_TRUE(clean->removePersistentDomainForName("CleanRun"));
    UserDefaults::resetAllForTesting();
    EXPECT_TRUE(UserDefaults::suite("CleanRun")->dictionaryRepresentation().empty());
}

TEST_F(UserDefaultsTest, UnreadableFileIsMovedAsideAndReported) {
    ASSERT_TRUE(Files::writeAtomically(standardFile(), Data::fromString("not a property list")));
    testsupport::LogCapture log;
    auto defaults = UserDefaults::standard();
    EXPECT_FALSE(defaults->boolForKey("proximityLockIsOn"));
    auto moved = defaults->unreadableFileMovedTo();
    ASSERT_TRUE(moved);
    EXPECT_EQ(Files::read(*moved)->toString(), "not a property list");
    EXPECT_TRUE(log.contains("cannot be read"));
    ASSERT_TRUE(defaults->setBool_forKey(true, "proximityLockIsOn"));
    EXPECT_EQ(fileContents(standardFile()), Value(Value::Dictionary{{"proximityLockIsOn", true}}));
    EXPECT_EQ(Files::read(*moved)->toString(), "not a property list");
}

TEST_F(UserDefaultsTest, AFileThatIsNoDictionaryIsMovedAsideToo) {
    auto list = PropertyList::dataFromValue(Value(Value::Array{1, 2}), PropertyList::Format::XML);
    ASSERT_TRUE(Files::writeAtomically(standardFile(), *list));
    auto defaults = UserDefaults::standard();
    EXPECT_TRUE(defaults->dictionaryRepresentation().empty());
    EXPECT_TRUE(defaults->unreadableFileMovedTo());
}

TEST_F(UserDefaultsTest, FailedWriteIsReportedAndRetriedBySynchronize) {
    auto defaults = UserDefaults::standard();
    ASSERT_TRUE(defaults->setInteger_forKey(1, "n"));
    Files::failNextWriteAfter(3);
    testsupport::LogCapture log;
    EXPECT_FALSE(defaults->setInteger_forKey(2, "n"));
    EXPECT_TRUE(log.contains("could not save"));
    EXPECT_EQ(defaults->integerForKey("n"), 2);                                   // kept in memory
    EXPECT_EQ(fileContents(standardFile()), Value(Value::Dictionary{{"n", 1}}));  // old file whole
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(fileContents(standardFile()), Value(Value::Dictionary{{"n", 2}}));
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing) {
    auto defaults = UserDefaults::standard();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([defaults, t] {
            for (int i = 0; i < 10; ++i) defaults->setInteger_forKey(i, "key" + std::to_string(t));
        });
    for (auto& thread : threads) thread.join();
    UserDefaults::resetAllForTesting();
    auto fresh = UserDefaults::standard();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(fresh->integerForKey("key" + std::to_string(t)), 9);
}
