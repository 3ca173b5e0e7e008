#include "app/store/MigrationManager.h"

#include <cstdio>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/store/ApplicationDataModel.h"
#include "app/support/Common.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/app/LocalTimeZone.h"

namespace {

using kestrune::DeviceLocalSettings;
using kestrune::HistoryServices;
using kestrune::MigrationManager;
using platform::Files;

// History kept in memory, newest first, with line texts in capitals; paths in the test's home.
class FakeHistory : public HistoryServices {
public:
    explicit FakeHistory(std::string home) : home_(std::move(home)) {}
    struct Event {
        uint32_t kind;
        double date;
    };
    bool applicationDataIsEmpty() override { return history.empty() && !failedLogins; }
    void appendOlderTrackEvents(const std::vector<TrackEvent>& newestFirst) override {
        for (const auto& [kind, date] : newestFirst) history.push_back({kind, date.timeIntervalSince1970()});
        onMainThread = onMainThread && platform::isMainThread();
    }
    void saveTrackEvents() override { ++saves; }
    std::string loginTrackerOldFilePath() override { return home_ + "/Documents/tracker.csv"; }
    std::string loginTrackerNewFilePath() override { return home_ + "/library/tracker.csv"; }
    std::optional<platform::Date> dateForLine(const std::string& line) override {
        return parseTrackerDate(line);
    }
    bool isSessionDurationLine(const std::string& line) override {
        return line.find("---------------") != std::string::npos;
    }
    bool isKestruneStartedForLine(const std::string& line) override {
        return line.find("STARTED") != std::string::npos;
    }
    bool isLoginEntryForLine(const std::string& line) override {
        return line.find("UNLOCKED") != std::string::npos;
    }
    bool isLogoutEntryForLine(const std::string& line) override {
        return line.find("LOCKED") != std::string::npos;
    }
    void setNotificationOnLogin(bool on) override { notificationOnLogin = on; }

    std::vector<Event> history;
    bool failedLogins = false;
    int saves = 0;
    bool onMainThread = true;
    std::optional<bool> notificationOnLogin;

private:
    std::string home_;
};

class MigrationManagerTest : public recordtests::DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        history = std::make_shared<FakeHistory>(home());
        HistoryServices::install(history);
        Files::createDirectories(home() + "/Documents");
        Files::createDirectories(home() + "/library");
    }
    void TearDown() override {
        HistoryServices::install(nullptr);
        DataManagerFixture::TearDown();
    }
    static std::string line(int index, const char* text = "UNLOCKED") {
        char stamp[64];
        snprintf(stamp, sizeof stamp, "2020-01-%02d %02d:%02d:%02d ", 1 + index / 86400 % 28,
                 index / 3600 % 24, index / 60 % 60, index % 60);
        return stamp + std::string(text);
    }
    static void write(const std::string& path, const std::string& text) {
        ASSERT_TRUE(Files::writeAtomically(path, platform::Data::fromString(text), 0600));
    }
    void import(const std::string& text) {
        write(history->loginTrackerNewFilePath(), text);
        MigrationManager().parseTrackingFileToApplicationData();
        runUntilIdle();
    }

    std::shared_ptr<FakeHistory> history;
};

TEST_F(MigrationManagerTest, TheLast349LinesAreImportedNewestFirst) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += line(i) + "\n";
    import(text);
    ASSERT_EQ(history->history.size(), 349u);
    EXPECT_EQ(history->history.front().date,
              HistoryServices::parseTrackerDate(line(999))->timeIntervalSince1970());
    EXPECT_EQ(history->history.back().date,
              HistoryServices::parseTrackerDate(line(651))->timeIntervalSince1970());
    EXPECT_TRUE(history->onMainThread) << "the history is changed on the main thread";
    EXPECT_EQ(history->saves, 1);
    EXPECT_TRUE(DeviceLocalSettings::shared().didMigrateToApplicationData());
}

TEST_F(MigrationManagerTest, TheLastPieceAfterTheFinalBreakIsNeverRead) {
    // Ten lines, the last without a line break: ten pieces, the last of which is not read.
    std::string text;
    for (int i = 0; i < 10; ++i) text += line(i) + (i < 9 ? "\n" : "");
    import(text);
    ASSERT_EQ(history->history.size(), 9u);
    EXPECT_EQ(history->history.front().date,
              HistoryServices::parseTrackerDate(line(8))->timeIntervalSince1970());

    // With the final break the last piece is the empty one after it, and every line is read.
    DeviceLocalSettings::shared().setDidMigrateToApplicationData(false);
    history->history.clear();
    import(text + "\n");
    EXPECT_EQ(history->history.size(), 10u);
}

TEST_F(MigrationManagerTest, LinesAreKindedByTheirFirstMatchingText) {
    import(line(1, "STARTED") + "\n" + line(2, "UNLOCKED") + "\n" + line(3, "LOCKED") + "\n" +
           line(4, "nothing we know") + "\n" + line(5, "--------------- LOCKED") + "\n" +
           "2020-13-01 00:00:00 LOCKED\n" + "LOCKED without a date\n" + line(6, "STARTED then LOCKED") +
           "\n");
    std::vector<uint32_t> kinds;
    for (const auto& event : history->history) kinds.push_back(event.kind);
    EXPECT_EQ(kinds, (std::vector<uint32_t>{1, 3, 2, 1}));
}

// Start-up writes this launch's entry while the file is read: it is newer than every line and stays.
TEST_F(MigrationManagerTest, AnEntryAddedRightAfterTheImportStartsIsKept) {
    write(history->loginTrackerNewFilePath(), line(1, "STARTED") + "\n" + line(2, "LOCKED") + "\n");
    MigrationManager().parseTrackingFileToApplicationData();
    history->history.insert(history->history.begin(), {1, now()});
    runUntilIdle();
    ASSERT_EQ(history->history.size(), 3u);
    EXPECT_EQ(history->history[0].date, now());
    EXPECT_EQ(history->history[1].kind, 3u);
    EXPECT_EQ(history->history[2].kind, 1u);
    EXPECT_EQ(history->saves, 1);
    EXPECT_TRUE(DeviceLocalSettings::shared().didMigrateToApplicationData());
}

// The default service works on the application data itself: the entries held stay in front, the
// imported ones behind them, and of those only as many as the 500 leave room for.
TEST_F(MigrationManagerTest, TheDefaultHistoryPutsImportedEntriesBehindWithinFiveHundred) {
    HistoryServices::install(nullptr);
    auto& manager = kestrune::DataManager::shared();
    auto& list = manager.applicationData()->arrayOfLoginLogouts();
    list.emplace();
    for (int i = 0; i < 498; ++i)
        list->push_back(kestrune::LoginLogoutEntry::initWithEvent_date_reason(
            2, platform::Date::dateWithTimeIntervalSince1970(now() - i), 1));
    const auto old = [&](double seconds) { return platform::Date::dateWithTimeIntervalSince1970(seconds); };
    HistoryServices::current()->appendOlderTrackEvents({{3, old(300)}, {2, old(200)}, {1, old(100)}});
    HistoryServices::current()->saveTrackEvents();

    kestrune::DataManager::resetSharedForTesting();  // what was saved
    const auto& saved = *kestrune::DataManager::shared().applicationData()->arrayOfLoginLogouts();
    ASSERT_EQ(saved.size(), 500u);
    auto entry = [&](size_t at) { return std::dynamic_pointer_cast<kestrune::LoginLogoutEntry>(saved[at]); };
    EXPECT_EQ(entry(0)->date()->timeIntervalSince1970(), now());
    EXPECT_EQ(entry(497)->responsible()->intValue(), 1);
    EXPECT_EQ(entry(498)->event()->intValue(), 3);
    EXPECT_EQ(entry(498)->responsible()->intValue(), 0);
    EXPECT_EQ(entry(499)->date()->timeIntervalSince1970(), 200);
}

TEST_F(MigrationManagerTest, TheFlagOrAnyHistoryKeepsTheImportFromRunning) {
    DeviceLocalSettings::shared().setDidMigrateToApplicationData(true);
    import(line(1) + "\n" + line(2) + "\n");
    EXPECT_TRUE(history->history.empty());

    DeviceLocalSettings::shared().setDidMigrateToApplicationData(false);
    history->failedLogins = true;
    import(line(1) + "\n" + line(2) + "\n");
    EXPECT_TRUE(history->history.empty());
    EXPECT_FALSE(DeviceLocalSettings::shared().didMigrateToApplicationData());

    history->failedLogins = false;
    Files::remove(history->loginTrackerNewFilePath());
    MigrationManager manager;
    EXPECT_FALSE(manager.shouldParseLogFileToApplicationData()) << "no file to read";
    manager.parseTrackingFileToApplicationData();
    runUntilIdle();
    EXPECT_FALSE(DeviceLocalSettings::shared().didMigrateToApplicationData());
}

TEST_F(MigrationManagerTest, TheOldTrackerFileGoesOnlyOnceItsLinesAreSafe) {
    const std::string oldPath = history->loginTrackerOldFilePath(),
                      newPath = history->loginTrackerNewFilePath();
    MigrationManager manager;

    write(oldPath, "old lines\n");
    Files::failNextWriteAfter(0);
    manager.migrateTrackingFileIfNeeded();
    EXPECT_TRUE(Files::exists(oldPath)) << "a failed copy must keep the old file";
    EXPECT_FALSE(Files::exists(newPath));

    manager.migrateTrackingFileIfNeeded();
    EXPECT_FALSE(Files::exists(oldPath));
    auto copied = Files::read(newPath);
    ASSERT_TRUE(copied);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copied->bytes()), copied->size()), "old lines\n");

    write(oldPath, "older lines\n");
    manager.migrateTrackingFileIfNeeded();
    EXPECT_FALSE(Files::exists(oldPath)) << "the file at the new place is kept and the old one goes";
    copied = Files::read(newPath);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copied->bytes()), copied->size()), "old lines\n");
}

class TrackerDateTest : public testsupport::LocalTimeZoneTest {};

TEST_F(TrackerDateTest, OnlyTheExactPatternReadsAsADateInLocalTime) {
    EXPECT_EQ(HistoryServices::parseTrackerDate("2021-07-01 12:30:05 Mac unlocked")->timeIntervalSince1970(),
              1625135405.0);  // 10:30:05 UTC in Berlin's summer
    for (const char* bad :
         {"2021-07-01 12:30", "2021-7-01 12:30:05 x", "2021-07-32 12:30:05", "2021-02-30 12:30:05",
          "2021-07-01T12:30:05", "2021-07-01 24:00:00", "+021-07-01 12:30:05", ""})
        EXPECT_FALSE(HistoryServices::parseTrackerDate(bad)) << bad;
}

class VersionModelUpdateTest : public recordtests::DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        history = std::make_shared<FakeHistory>(home());
        HistoryServices::install(history);
        saved = platform::Bundle::main().infoDictionary();
    }
    void TearDown() override {
        platform::Bundle::main().setInfoDictionaryForTesting(saved);
        HistoryServices::install(nullptr);
        DataManagerFixture::TearDown();
    }
    void launchVersion(const std::string& version) {
        auto info = saved;
        info["CFBundleShortVersionString"] = version;
        platform::Bundle::main().setInfoDictionaryForTesting(info);
        kestrune::Common::resetLaunchAnswersForTesting();
        history->notificationOnLogin.reset();
        kestrune::VersionModelUpdate().updateModelForVersionUpdateIfNeeded();
    }
    std::shared_ptr<FakeHistory> history;
    platform::Value::Dictionary saved;
};

TEST_F(VersionModelUpdateTest, OnlyTheFirstLaunchOf164SwitchesTheNotificationOn) {
    launchVersion("1.6.3");
    EXPECT_FALSE(history->notificationOnLogin);
    launchVersion("1.6.4");
    EXPECT_EQ(history->notificationOnLogin, true);
    launchVersion("1.6.4");
    EXPECT_FALSE(history->notificationOnLogin);
    launchVersion("1.6.5");
    EXPECT_FALSE(history->notificationOnLogin);
}

}  // namespace
