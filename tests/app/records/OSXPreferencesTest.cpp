#include "app/records/OSXPreferences.h"

#include "tests/app/RecordArchiveHelpers.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;

namespace {
class OSXPreferencesTest : public testsupport::KestruneTest {};

const std::set<std::string> kAllKeys = {"allowLogin",
                                        "allowLogout",
                                        "isWaitingForConfirmation",
                                        "passwordScreenAuthMethod",
                                        "OSXVersion",
                                        "wakeScreenOnApproach",
                                        "allowCloserDistances",
                                        "OSXSystemVersion",
                                        "lastConnectionTimestamp",
                                        "installAuthMethod",
                                        "onApproachAuthMethod",
                                        "allowSiriUnlock",
                                        "allowSiriLock"};

void expectSame(const OSXPreferences& a, const OSXPreferences& b) {
    for (const auto& property : a.declaredProperties())
        EXPECT_EQ(a.valueForProperty(property.name), b.valueForProperty(property.name)) << property.name;
}
}  // namespace

TEST_F(OSXPreferencesTest, InitSetsTheDefaults) {
    auto preferences = OSXPreferences::init();
    EXPECT_EQ(preferences->allowLogin(), std::optional<Number>(Number(true)));
    EXPECT_EQ(preferences->allowLogout(), std::optional<Number>(Number(true)));
    EXPECT_EQ(preferences->isWaitingForConfirmation(), std::optional<Number>(Number(0)));
    EXPECT_EQ(preferences->passwordScreenAuthMethod(), std::optional<Number>(Number(2)));
    EXPECT_EQ(preferences->wakeScreenOnApproach(), std::optional<Number>(Number(true)));
    EXPECT_EQ(preferences->allowCloserDistances(), std::optional<Number>(Number(false)));
    EXPECT_EQ(preferences->installAuthMethod(), std::optional<Number>(Number(2)));
    EXPECT_EQ(preferences->onApproachAuthMethod(), std::optional<Number>(Number(0)));
    EXPECT_EQ(preferences->allowSiriUnlock(), std::optional<Number>(Number(true)));
    EXPECT_EQ(preferences->allowSiriLock(), std::optional<Number>(Number(true)));
    EXPECT_FALSE(preferences->OSXVersion() || preferences->OSXSystemVersion() ||
                 preferences->lastConnectionTimestamp());
}

TEST_F(OSXPreferencesTest, EveryFieldRoundTrips) {
    auto preferences = OSXPreferences::init();
    preferences->setAllowLogin(Number(false));
    preferences->setAllowLogout(Number(false));
    preferences->setIsWaitingForConfirmation(Number(2));
    preferences->setPasswordScreenAuthMethod(Number(3));
    preferences->setOSXVersion("1.0.0");
    preferences->setWakeScreenOnApproach(Number(false));
    preferences->setAllowCloserDistances(Number(true));
    preferences->setOSXSystemVersion("10.14.6 ");
    preferences->setLastConnectionTimestamp(Number(1700000000.5));
    preferences->setInstallAuthMethod(Number(0));
    preferences->setOnApproachAuthMethod(Number(2));
    preferences->setAllowSiriUnlock(Number(false));
    preferences->setAllowSiriLock(Number(false));
    auto data = recordtests::archive(platform::Value(preferences));
    EXPECT_EQ(recordtests::storedKeys(data, "OSXPreferences"), kAllKeys);
    auto decoded = recordtests::unarchive<OSXPreferences>(data);
    ASSERT_TRUE(decoded);
    expectSame(*preferences, *decoded);
}

TEST_F(OSXPreferencesTest, AnEmptyArchiveDecodesAsANewRecord) {
    auto decoded = recordtests::unarchive<OSXPreferences>(
        recordtests::withoutKeys(recordtests::archive(platform::Value(OSXPreferences::init())), kAllKeys));
    ASSERT_TRUE(decoded);
    expectSame(*OSXPreferences::init(), *decoded);
}

TEST_F(OSXPreferencesTest, ACopyOfADecodedRecordKeepsAnAbsentVersionAbsent) {
    auto preferences = OSXPreferences::init();
    preferences->setIsWaitingForConfirmation(Number(1));
    auto decoded = recordtests::roundTrip(preferences);
    auto copy = decoded->customCopy();
    EXPECT_FALSE(copy->OSXVersion());
    expectSame(*decoded, *copy);
    copy->setAllowLogin(Number(false));
    EXPECT_EQ(decoded->allowLogin(), std::optional<Number>(Number(true)));
}
