#include "app/records/LoginLogoutEntry.h"

#include "app/support/Localizable.h"
#include "tests/app/RecordArchiveHelpers.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;

namespace {
class LoginLogoutEntryTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        setLocalizedStringLookup(nullptr);
        KestruneTest::TearDown();
    }
};
}  // namespace

TEST_F(LoginLogoutEntryTest, EveryFieldRoundTripsUnderItsKey) {
    auto when = platform::Date::dateWithTimeIntervalSince1970(1700000000.5);
    auto entry = LoginLogoutEntry::initWithEvent_date_reason(2, when, 3);
    entry->setImagePath("/photos/2023-11-14 22:13:20.png");
    auto data = recordtests::archive(platform::Value(entry));
    EXPECT_EQ(recordtests::storedKeys(data, "LoginLogoutEntry"),
              (std::set<std::string>{"event", "date", "responsible", "imagePath"}));
    EXPECT_EQ(recordtests::storedClassHierarchy(data, "LoginLogoutEntry"),
              (platform::Value::Array{"LoginLogoutEntry", "BaseEntry", "NSObject"}));
    auto decoded = recordtests::unarchive<LoginLogoutEntry>(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->event()->intValue(), 2);
    EXPECT_EQ(decoded->responsible()->intValue(), 3);
    EXPECT_EQ(decoded->date(), std::optional<platform::Date>(when));
    EXPECT_EQ(decoded->imagePath(), entry->imagePath());

    auto empty = recordtests::roundTrip(LoginLogoutEntry::init());
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->event() || empty->responsible() || empty->date() || empty->imagePath());
}

TEST_F(LoginLogoutEntryTest, SessionRolesByEvent) {
    const std::pair<uint32_t, std::pair<bool, bool>> roles[] = {{1, {true, false}},  {2, {true, false}},
                                                                {3, {false, true}},  {4, {true, false}},
                                                                {5, {false, false}}, {9, {false, false}}};
    for (auto [event, role] : roles) {
        auto entry = LoginLogoutEntry::initWithEvent_date_reason(event, platform::Date::now(), 0);
        EXPECT_EQ(entry->isSessionStartingEntry(), role.first) << event;
        EXPECT_EQ(entry->isSessionEndingEntry(), role.second) << event;
    }
    EXPECT_FALSE(LoginLogoutEntry::init()->isSessionStartingEntry());
}

TEST_F(LoginLogoutEntryTest, TextsAndIconsByEventAndCause) {
    setLocalizedStringLookup(
        [](const std::string& key) -> std::optional<std::string> { return "<" + key + ">"; });
    auto entry = [](uint32_t event, uint32_t reason) {
        return LoginLogoutEntry::initWithEvent_date_reason(event, platform::Date::now(), reason);
    };
    EXPECT_EQ(entry(1, 0)->descriptionForTrackEvent(), "<kestrune_started>");
    EXPECT_EQ(entry(3, 0)->descriptionForTrackEvent(), "<mac_locked>");
    EXPECT_EQ(entry(4, 1)->descriptionForTrackEvent(), "<quit_kestrune>");
    EXPECT_EQ(entry(5, 0)->descriptionForTrackEvent(), "<iphone_photo_snaped>");
    EXPECT_EQ(entry(0, 0)->descriptionForTrackEvent(), "");

    EXPECT_EQ(entry(2, 6)->unlockDescription(), "<unlocked_by_wifi_unlock>");
    EXPECT_EQ(entry(2, 6)->unlockIconImageName(), "unlocked_with_wifi_icon");
    EXPECT_EQ(entry(2, 3)->unlockDescription(), "<unlocked_by_kestrune_automatic>");
    EXPECT_EQ(entry(2, 3)->unlockIconImageName(), "unlocked_with_kestrune_automatic_icon");
    EXPECT_EQ(entry(2, 1)->unlockDescription(), "<unlock_by_typing_password>");
    EXPECT_EQ(entry(2, 1)->unlockIconImageName(), "unlocked_with_password_icon");
    EXPECT_EQ(entry(2, 2)->unlockDescription(), "<unlocked_by_kestrune>");
    EXPECT_EQ(entry(2, 4)->unlockIconImageName(), "unlocked_with_kestrune_icon");
}
