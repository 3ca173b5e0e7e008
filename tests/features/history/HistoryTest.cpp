#include <sys/stat.h>
#include <unistd.h>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/store/DataManager.h"
#include "app/store/MigrationManager.h"
#include "app/support/Localizable.h"
#include "app/support/Utilities.h"
#include "features/history/HistoryFeatureServices.h"
#include "features/history/LoginTrackerController.h"
#include "features/history/LoginTrackerFactory.h"
#include "features/history/TextFileManagement.h"
#include "features/language/BundleLanguage.h"
#include "features/notifications/NotificationsController.h"
#include "platform/base/Strings.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/storage/Files.h"
#include "platform/system/WorkspaceRecorder.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;

namespace {

class HistoryTest : public featuretests::FeatureTest {
protected:
    std::string tracker() const {
        return TextFileManagement::stringContentOfFileAtPath(
                   LoginTrackerController::loginTrackerNewFilePath())
            .value_or("<none>");
    }
    std::vector<std::shared_ptr<LoginLogoutEntry>> history() {
        std::vector<std::shared_ptr<LoginLogoutEntry>> entries;
        auto& list = DataManager::shared().applicationData()->arrayOfLoginLogouts();
        if (list)
            for (const auto& held : *list)
                entries.push_back(std::dynamic_pointer_cast<LoginLogoutEntry>(held));
        return entries;
    }
    void writeTracker(const std::string& text) {
        platform::Files::writeAtomically(LoginTrackerController::loginTrackerNewFilePath(),
                                         platform::Data(std::vector<uint8_t>(text.begin(), text.end())));
    }

    LoginTrackerFactory factory;
};

TEST_F(HistoryTest, FiveHundredFirstInsertDropsTheOldest) {
    const double start = now();
    for (uint32_t i = 0; i < 501; ++i) {
        factory.insertEvent_forDate_trigger_takePhoto(
            i % 2 ? 2 : 3, platform::Date::dateWithTimeIntervalSince1970(start + i), i % 7, false);
    }
    DataManager::resetSharedForTesting();  // what was saved
    auto entries = history();
    ASSERT_EQ(entries.size(), 500u);
    EXPECT_EQ(entries.front()->date()->timeIntervalSince1970(), start + 500);
    EXPECT_EQ(entries.back()->date()->timeIntervalSince1970(), start + 1);  // the very first one went
    EXPECT_EQ(entries.front()->responsible()->intValue(), 500 % 7);
    EXPECT_EQ(entries.front()->imagePath(), std::nullopt);
    EXPECT_FALSE(factory.applicationDataIsEmpty());
    factory.removeAllTrackEvents();
    EXPECT_TRUE(factory.applicationDataIsEmpty());
}

TEST_F(HistoryTest, GoldenLinesOfAnUnlockAndALockWithTheSessionLength) {
    LoginTrackerController::insertUnlockedEntry();  // 08:00:00 in the fixture's UTC
    advance(3600 + 30 * 60 + 15);
    LoginTrackerController::insertLockedEntry();
    EXPECT_EQ(tracker(),
              "\n2027-01-15 08:00:00,    Mac unlocked,  "
              "\n2027-01-15 09:30:15,    Mac locked,    session: 01h :30m :15s\n");
    struct stat info {};
    ASSERT_EQ(stat(LoginTrackerController::loginTrackerNewFilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // A second lock finds the empty line after the first: no session length.
    advance(60);
    LoginTrackerController::insertLockedEntry();
    EXPECT_TRUE(
        platform::hasSuffix(tracker(), "session: 01h :30m :15s\n\n2027-01-15 09:31:15,    Mac locked,    "));
    // A start line begins a new session again.
    LoginTrackerController::applicationOpenedEntry();
    advance(1);
    LoginTrackerController::insertLockedEntry();
    EXPECT_TRUE(platform::hasSuffix(tracker(),
                                    "Kestrune started,\n2027-01-15 09:31:16,    Mac locked,    "
                                    "session: 00h :00m :01s\n"));
    LoginTrackerController::insertentry(7);  // no such code: the date alone
    EXPECT_TRUE(platform::hasSuffix(tracker(), "\n2027-01-15 09:31:16,    "));
}

TEST_F(HistoryTest, SessionLengthsKeepEveryHourDigit) {
    EXPECT_EQ(TextFileManagement::stringFromTimeInterval(123 * 3600 + 4 * 60 + 5.99), "123h :04m :05s");
    EXPECT_EQ(TextFileManagement::stringFromTimeInterval(59.9), "00h :00m :59s");
    EXPECT_EQ(TextFileManagement::stringFromTimeInterval(-30), "00h :00m :00s");  // a clock set back
    LoginTrackerController::applicationOpenedEntry();
    advance(123 * 3600.0);
    LoginTrackerController::insertLockedEntry();
    EXPECT_TRUE(platform::hasSuffix(tracker(), "session: 123h :00m :00s\n"));
}

TEST_F(HistoryTest, FirstLineOfANewFileStartsWithALineFeed) {
    ASSERT_FALSE(platform::Files::exists(LoginTrackerController::loginTrackerNewFilePath()));
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), "");
    LoginTrackerController::insertLockedEntry();  // nothing before it: no session
    EXPECT_EQ(tracker(), "\n2027-01-15 08:00:00,    Mac locked,    ");
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), "2027-01-15 08:00:00,    Mac locked,    ");
}

TEST_F(HistoryTest, HandWrittenLastLineGivesALockLineWithoutSession) {
    writeTracker("\nmy own notes about this week, written by hand");
    LoginTrackerController::insertLockedEntry();
    EXPECT_TRUE(platform::hasSuffix(tracker(), "by hand\n2027-01-15 08:00:00,    Mac locked,    "));
    writeTracker("\n2027-13-45 99:00:00, not a date");
    LoginTrackerController::insertLockedEntry();
    EXPECT_TRUE(platform::hasSuffix(tracker(), "not a date\n2027-01-15 08:00:00,    Mac locked,    "));
}

TEST_F(HistoryTest, LongAndAccentedTranslationsAreNeverCut) {
    useBundle({{"en", "\"mac_unlocked\" = \"Mac unlocked\"; \"session\" = \"(%@)\";"},
               {"de", "\"lang\" = \"de\"; \"mac_unlocked\" = \"Der Mac wurde erfolgreich entsperrt\";"},
               {"fr",
                "\"lang\" = \"fr\"; \"mac_locked\" = \"Mac verrouill\\U00e9\"; \"session\" = \"dur\\U00e9e "
                "%@ %d\";"}});
    setLocalizableLanguage("de");
    LoginTrackerController::insertUnlockedEntry();
    EXPECT_EQ(tracker(), "\n2027-01-15 08:00:00,    Der Mac wurde erfolgreich entsperrt,");
    setLocalizableLanguage("fr");
    advance(61);
    LoginTrackerController::insertLockedEntry();
    const std::string last =
        "\n2027-01-15 08:01:01,    Mac verrouill\xC3\xA9,dur\xC3\xA9"
        "e 00h :01m :01s %d\n";
    EXPECT_TRUE(platform::hasSuffix(tracker(), last)) << tracker();
    // Exactly 40 UTF-16 units up to the session text (no padding), although "é" takes two bytes.
    EXPECT_EQ(platform::utf16Length("\n2027-01-15 08:01:01,    Mac verrouill\xC3\xA9,"), 40u);
}

TEST_F(HistoryTest, LineTestsReadEveryLanguage) {
    useBundle(
        {{"en",
          "\"lang\" = \"en\"; \"kestrune_started\" = \"Kestrune started\"; \"mac_unlocked\" = "
          "\"Mac unlocked\"; \"mac_locked\" = \"Mac locked\";"},
         {"fr",
          "\"lang\" = \"fr\"; \"kestrune_started\" = \"Kestrune d\\U00e9marr\\U00e9\"; \"mac_unlocked\" "
          "= \"Mac d\\U00e9verrouill\\U00e9\"; \"mac_locked\" = \"Mac verrouill\\U00e9\";"},
         {"ja", "\"lang\" = \"ja\"; \"mac_locked\" = \"\\U30ed\\U30c3\\U30af\";"}});
    const std::string french = "2026-03-01 10:00:00,    Mac d\xC3\xA9verrouill\xC3\xA9,";
    EXPECT_TRUE(LoginTrackerController::isLoginEntryForLine(french));
    EXPECT_FALSE(LoginTrackerController::isLogoutEntryForLine(french));
    EXPECT_TRUE(LoginTrackerController::isLogoutEntryForLine(
        "2026-03-01 11:00:00,    \xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF,"));
    EXPECT_TRUE(LoginTrackerController::isKestruneStartedForLine("x Kestrune d\xC3\xA9marr\xC3\xA9 y"));
    EXPECT_FALSE(LoginTrackerController::isKestruneStartedForLine("Kestrune quit"));
    EXPECT_TRUE(LoginTrackerController::isValidLine(french));
    EXPECT_FALSE(LoginTrackerController::isValidLine("2026-03-01 10:00"));
    EXPECT_EQ(LoginTrackerController::dateForLine(french)->timeIntervalSince1970(), 1772359200.0);
    EXPECT_EQ(LoginTrackerController::dateForLine("short"), std::nullopt);
    EXPECT_TRUE(LoginTrackerController::isSessionDurationLine("--------------- 01h"));
    EXPECT_FALSE(LoginTrackerController::isSessionDurationLine("-------------- 01h"));
}

TEST_F(HistoryTest, LinesWrittenInEachLanguageAreReadInAnyOther) {
    // The project's own tables. The language changes before every line, so that each language writes a
    // start, an unlock and a lock line (14 languages, 3 kinds: every pairing within 42 lines).
    const auto& codes = supprotedLanguages();
    const char* keys[] = {"kestrune_started", "mac_unlocked", "mac_locked"};
    std::vector<std::string> written;
    for (size_t i = 0; i < 3 * codes.size(); ++i) {
        setLocalizableLanguage(codes[i % codes.size()]);
        written.push_back(localizable(keys[i % 3]));
        LoginTrackerController::insertentry(static_cast<int>(i % 3));
        advance(60);
    }
    EXPECT_NE(tracker().find("\n2027-01-15 08:01:00,    Mac entsperrt,"), std::string::npos) << tracker();
    EXPECT_NE(tracker().find("Mac verrouill\xC3\xA9,session\xC2\xA0: 00h :01m :00s"), std::string::npos);

    // Read back with yet another language in use: each line is its own kind and no other.
    setLocalizableLanguage("pt-PT");
    std::vector<std::string> lines;
    for (const auto& line : platform::split(tracker(), "\n"))
        if (LoginTrackerController::isValidLine(line)) lines.push_back(line);
    ASSERT_EQ(lines.size(), written.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(codes[i % codes.size()] + ": " + lines[i]);
        EXPECT_NE(lines[i].find(written[i]), std::string::npos);
        EXPECT_EQ(LoginTrackerController::isKestruneStartedForLine(lines[i]), i % 3 == 0);
        EXPECT_EQ(LoginTrackerController::isLoginEntryForLine(lines[i]), i % 3 == 1);
        EXPECT_EQ(LoginTrackerController::isLogoutEntryForLine(lines[i]), i % 3 == 2);
    }
}

TEST_F(HistoryTest, QuitWritesAnEntryAndNoTrackerLine) {
    factory.insertEvent_forDate_trigger_takePhoto(LoginLogoutEntry::kEventQuit, platform::Date::now(), 1,
                                                  false);
    auto entries = history();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->event()->intValue(), 4);
    EXPECT_EQ(entries[0]->responsible()->intValue(), 1);
    EXPECT_FALSE(platform::Files::exists(LoginTrackerController::loginTrackerNewFilePath()));
}

TEST_F(HistoryTest, UnlockWithPhotoStoresThePathBeforeThePhoto) {
    platform::ui::CairoRenderer::installAsBackend();
    platform::CaptureBackend::install(
        platform::SimulatedCamera::create({platform::SimulatedCamera::Device{}}));
    bool stored = false;
    factory.insertEvent_forDate_trigger_takePhoto_completion(2, platform::Date::now(), 2, true,
                                                             [&](bool ok) { stored = ok; });
    EXPECT_TRUE(stored);
    auto entries = history();
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(entries[0]->imagePath());
    EXPECT_EQ(*entries[0]->imagePath(),
              Utilities::applicationDataKestruneDirectory() + "/LoginImages/2027-01-15 08:00:00.png");
    EXPECT_FALSE(entries[0]->mugShotImageExists());
    advance(1.5);
    EXPECT_TRUE(entries[0]->mugShotImageExists());
    platform::CaptureBackend::install(nullptr);
    platform::ui::Renderer::install(nullptr);
}

TEST_F(HistoryTest, LastLineReadsOnlyTheTail) {
    std::string big(20000, 'x');
    writeTracker(big + "\nlast line without feed");
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), "last line without feed");
    writeTracker(big + "\n");
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), "");
    writeTracker(big);
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), big);
    EXPECT_EQ(TextFileManagement::lastLineOfFile(home() + "/missing"), std::nullopt);
    EXPECT_EQ(TextFileManagement::appendEmptyStringToString_toCharacterIndex("ab", 5), "ab   ");
    EXPECT_EQ(TextFileManagement::appendEmptyStringToString_toCharacterIndex("abcdef", 5), "abcdef");
    EXPECT_EQ(TextFileManagement::stringWithSpaces(-3), "");
}

// A damaged file whose last line runs on and on: the lock reads no more than a tracker line could be,
// writes its line without a session length, and says why.
TEST_F(HistoryTest, AnOverlongLastLineIsNotReadAndTheLockLineCarriesNoSession) {
    writeTracker("\n2027-01-15 07:00:00,    Mac unlocked,  " + std::string(300 * 1024, 'x'));
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), "");
    EXPECT_TRUE(logged("is longer than 65536 bytes"));
    LoginTrackerController::insertLockedEntry();
    EXPECT_TRUE(platform::hasSuffix(tracker(), "xxx\n2027-01-15 08:00:00,    Mac locked,    "));

    // The limit itself: a line of exactly that length is read, one byte more is not.
    const std::string path = home() + "/lines.txt";
    const auto write = [&](const std::string& text) {
        ASSERT_TRUE(platform::Files::writeAtomically(path, platform::Data::fromString(text)));
    };
    write("before\n0123456789");
    EXPECT_EQ(TextFileManagement::lastLineOfFile(path, 10), "0123456789");
    write("before\n01234567890");
    EXPECT_EQ(TextFileManagement::lastLineOfFile(path, 10), std::nullopt);
    write("0123456789");
    EXPECT_EQ(TextFileManagement::lastLineOfFile(path, 10), "0123456789");
    write("01234567890");
    EXPECT_EQ(TextFileManagement::lastLineOfFile(path, 10), std::nullopt);
    // Lines across several blocks are put together in order.
    std::string long_;
    for (int i = 0; i < 3000; ++i) long_ += std::to_string(i % 10) + "abc";
    write("x\n" + long_);
    EXPECT_EQ(TextFileManagement::lastLineOfFile(path), long_);
}

// A link put in the tracker file's place: the line is neither written into nor read from the file it
// points to.
TEST_F(HistoryTest, ALinkInTheTrackerFilesPlaceIsNeverFollowed) {
    const std::string tracker = LoginTrackerController::loginTrackerNewFilePath();
    const std::string victim = home() + "/victim.txt";
    ASSERT_TRUE(platform::Files::writeAtomically(
        victim, platform::Data::fromString("\n2027-01-15 07:00:00,    Mac unlocked,  ")));
    ASSERT_EQ(symlink(victim.c_str(), tracker.c_str()), 0);
    LoginTrackerController::applicationOpenedEntry();
    LoginTrackerController::insertLockedEntry();
    EXPECT_EQ(platform::Files::read(victim),
              platform::Data::fromString("\n2027-01-15 07:00:00,    Mac unlocked,  "));
    EXPECT_EQ(LoginTrackerController::lastLineOfTrackingFile(), "");
    EXPECT_TRUE(logged("a link is in its place"));
}

// The first launch with an old tracker file: start-up writes its own entry and tracker line while the
// file is read in the background; both stay, the file's lines behind the entry in the history.
TEST_F(HistoryTest, TheImportOfAnOldTrackerFileKeepsTheLaunchsOwnEntry) {
    HistoryServices::install(std::make_shared<HistoryFeatureServices>());
    writeTracker(
        "\n2027-01-14 08:00:00,    Kestrune started,"
        "\n2027-01-14 08:05:00,    Mac unlocked,  "
        "\n2027-01-14 12:00:00,    Mac locked,    session: 03h :55m :00s\n");
    MigrationManager().migrateIfNeeded();
    LoginTrackerController::applicationOpenedEntry();
    factory.insertCurrentEvent_trigger_takePhoto(LoginLogoutEntry::kEventStarted, 0, false);
    runUntilIdle();
    HistoryServices::install(nullptr);

    DataManager::resetSharedForTesting();  // what was saved
    std::vector<std::pair<int, double>> entries;
    for (const auto& entry : history())
        entries.emplace_back(entry->event()->intValue(), entry->date()->timeIntervalSince1970());
    const double day = now() - 86400;  // 08:00 of the fixture's day before
    EXPECT_EQ(entries, (std::vector<std::pair<int, double>>{
                           {1, now()}, {3, day + 4 * 3600}, {2, day + 300}, {1, day}}));
    EXPECT_TRUE(DeviceLocalSettings::shared().didMigrateToApplicationData());
    EXPECT_TRUE(platform::hasSuffix(tracker(),
                                    "session: 03h :55m :00s\n\n2027-01-15 08:00:00,    Kestrune started,"));
}

// Imported entries are older than any the history holds: they go behind, as far as the 500 allow.
TEST_F(HistoryTest, OlderEntriesGoBehindWithinFiveHundred) {
    auto& held = DataManager::shared().applicationData()->arrayOfLoginLogouts();
    held.emplace();
    for (int i = 0; i < 499; ++i)
        held->push_back(LoginLogoutEntry::initWithEvent_date_reason(
            2, platform::Date::dateWithTimeIntervalSince1970(now() - 1 - i), 1));
    std::vector<std::shared_ptr<LoginLogoutEntry>> older;
    for (int i = 0; i < 3; ++i)
        older.push_back(LoginLogoutEntry::initWithEvent_date_reason(
            3, platform::Date::dateWithTimeIntervalSince1970(now() - 1000 - i), 0));
    factory.appendOlderEntries(older);
    auto entries = history();
    ASSERT_EQ(entries.size(), 500u);
    EXPECT_EQ(entries[0]->date()->timeIntervalSince1970(), now() - 1);
    EXPECT_EQ(entries[498]->event()->intValue(), 2);
    EXPECT_EQ(entries[499]->date()->timeIntervalSince1970(), now() - 1000);
}

TEST_F(HistoryTest, CopiesForReadersAndTheMigrationsService) {
    factory.insertCurrentEvent_trigger_takePhoto(1, 0, false);
    auto copies = factory.copyOfLoginLogoutEntries();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(copies[0].get(), history()[0].get());
    EXPECT_EQ(copies[0]->event()->intValue(), 1);
    EXPECT_EQ(copies[0]->date(), history()[0]->date());

    HistoryFeatureServices services;
    EXPECT_FALSE(services.applicationDataIsEmpty());
    services.appendOlderTrackEvents({{3, platform::Date::dateWithTimeIntervalSince1970(now() - 60)}});
    ASSERT_EQ(history().size(), 2u);
    EXPECT_EQ(history()[0]->event()->intValue(), 1);
    EXPECT_EQ(history()[1]->event()->intValue(), 3);
    EXPECT_EQ(history()[1]->responsible()->intValue(), 0);
    EXPECT_EQ(services.loginTrackerNewFilePath(), LoginTrackerController::loginTrackerNewFilePath());
    EXPECT_TRUE(
        platform::hasSuffix(services.loginTrackerOldFilePath(), "/Documents/Kestrune Login Tracker.csv"));
    services.setNotificationOnLogin(false);
    EXPECT_FALSE(NotificationsController::shared().notificationOnLogin());
    EXPECT_TRUE(services.isLogoutEntryForLine("x Mac locked,"));

    auto workspace = std::make_shared<platform::WorkspaceRecorder>();
    platform::WorkspaceBackend::install(workspace);
    LoginTrackerController::openTrackingFile();
    EXPECT_EQ(workspace->openedFiles(),
              std::vector<std::string>{"TextEdit: " + LoginTrackerController::loginTrackerNewFilePath()});
    platform::WorkspaceBackend::install(nullptr);
}

}  // namespace
