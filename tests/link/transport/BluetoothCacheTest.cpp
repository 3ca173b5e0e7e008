#include <cstdio>

#include "link/transport/ClearBluetoothCacheController.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "link/transport/ShellAnswers.h"
#include "platform/bluetooth/BluetoothController.h"
#include "platform/storage/Files.h"
#include "platform/system/Shell.h"
#include "tests/app/BackendFixture.h"
#include "tests/link/BluetoothFixture.h"

namespace {

using kestrune::ClearBluetoothCacheController;
using kestrune::CommandLineBluetoothCache;
using kestrune::DeviceLocalSettings;
using kestrune::ShellAnswers;
using platform::Files;

// The Mac's shell as a test scripts it: commands and their inputs are recorded; the delete commands for
// the path remove the file when the test lets them.
class FakeShell : public ShellAnswers {
public:
    std::string runShellCommand(const std::string& command,
                                const std::optional<std::string>& input) override {
        std::lock_guard lock(mutex);
        commands.push_back(command);
        inputs.push_back(input);
        if (deletes && (command == CommandLineBluetoothCache::sudoDeleteCommand(path) ||
                        command == CommandLineBluetoothCache::administratorDeleteCommand(path)))
            Files::remove(path);
        return output;
    }
    bool checkIfPasswordValidForCurrentUser(const std::string& password) override {
        return password == validPassword;
    }

    std::mutex mutex;
    std::string path;
    bool deletes = true;
    std::string output;
    std::string validPassword = "right";
    std::vector<std::string> commands;
    std::vector<std::optional<std::string>> inputs;
};

// The words /bin/sh makes of a command text (only printf runs).
std::vector<std::string> shellWords(const std::string& command) {
    auto result = platform::Shell::run("/bin/sh", {"-c", "set -- " + command + "; printf '%s\\0' \"$@\""});
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t end; (end = result.output.find('\0', start)) != std::string::npos; start = end + 1)
        words.push_back(result.output.substr(start, end - start));
    return words;
}

class BluetoothCacheTest : public recordtests::DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        shell = std::make_shared<FakeShell>();
        shell->path = home() + "/Preferences/com.apple.Bluetooth.plist";
        ShellAnswers::install(shell);
        CommandLineBluetoothCache::setBluetoothCachePath(shell->path);
        Files::createDirectories(home() + "/Preferences");
    }
    void TearDown() override {
        runUntilIdle();
        ShellAnswers::install(nullptr);
        CommandLineBluetoothCache::setBluetoothCachePath(CommandLineBluetoothCache::kDefaultCachePath);
        DataManagerFixture::TearDown();
    }
    void createCacheFile() { Files::writeAtomically(shell->path, platform::Data::fromString("plist"), 0600); }
    platform::Date ago(double seconds) {
        return platform::Date::dateWithTimeIntervalSince1970(now() - seconds);
    }
    std::shared_ptr<kestrune::MobileDevice> trackPhone(bool connected) {
        auto& manager = kestrune::DataManager::shared();
        auto phone = kestrune::MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
        auto settings = kestrune::MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(platform::Number(6));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
        return phone;
    }

    std::shared_ptr<FakeShell> shell;
};

constexpr double kDay = 86400;

TEST_F(BluetoothCacheTest, TheWarningRulesAtTheirBounds) {
    struct Case {
        const char* name;
        bool tracked, connected;
        double silenced, cleared, firstRun, error;
        bool show;
    };
    const double never = 1e9;
    const Case cases[] = {
        {"never cleared, started 601 s ago", true, false, never, never, 601, never, true},
        {"never cleared, started 600 s ago", true, false, never, never, 600, never, false},
        {"phone connected", true, true, never, never, 601, never, false},
        {"silenced 7 days ago", false, false, 7 * kDay, never, 601, never, false},
        {"silenced 7 days and a second ago", false, false, 7 * kDay + 1, never, 601, never, true},
        {"cleared 150 days ago: the error rules apply", false, false, never, 150 * kDay, 601, never, false},
        {"cleared 150 days ago, fresh error, no phone", false, false, never, 150 * kDay, 601, 299, true},
        {"error 300 s old", false, false, never, 150 * kDay, 601, 300, false},
        {"cleared 14 days ago", false, false, never, 14 * kDay, 601, 10, false},
        {"cleared 14 days and a second ago, no phone", false, false, never, 14 * kDay + 1, 601, 10, true},
        {"cleared 42 days ago, tracked phone", true, false, never, 42 * kDay, 601, 10, false},
        {"cleared 42 days and a second ago, tracked phone", true, false, never, 42 * kDay + 1, 601, 10, true},
    };
    auto& settings = DeviceLocalSettings::shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kestrune::DataManager::shared().model()->dictOfMobileDeviceSettings()->clear();
        if (c.tracked) trackPhone(c.connected);
        settings.setDoNotShowClearCacheWarningDate(ago(c.silenced));
        settings.setClearBluetoothCacheDate(ago(c.cleared));
        settings.setVeryFirstKestruneRunDate(ago(c.firstRun));
        settings.setBluetoothCacheErrorDetected(ago(c.error));
        EXPECT_EQ(ClearBluetoothCacheController::shared().sholdShowCorruptedBluetoothCacheError(), c.show);
    }
}

TEST_F(BluetoothCacheTest, AConnectedPhoneCountsOnlyWithTheControllerOn) {
    trackPhone(true);
    EXPECT_TRUE(ClearBluetoothCacheController::shared().trackingDeviceIsConnected());
    platform::BluetoothController::setPowerState(0);
    advance(5);
    EXPECT_FALSE(ClearBluetoothCacheController::shared().trackingDeviceIsConnected());
}

TEST_F(BluetoothCacheTest, TheNotificationRulesAtTheirBounds) {
    struct Case {
        const char* name;
        bool tracked;
        double cleared, error, warned;
        bool notify;
    };
    const Case cases[] = {
        {"error 300 s old", false, 50 * kDay, 300, 2 * kDay, false},
        {"cleared 42 days and a second ago, warned a day ago", true, 42 * kDay + 1, 0, kDay, false},
        {"cleared 42 days and a second ago, warned a day and a second ago", true, 42 * kDay + 1, 0, kDay + 1,
         true},
        {"cleared 20 days ago, tracked phone", true, 20 * kDay, 0, 30 * kDay, false},
        {"cleared 20 days ago, no phone, warned an hour ago", false, 20 * kDay, 0, 3600, false},
        {"cleared 20 days ago, no phone, warned an hour and a second ago", false, 20 * kDay, 0, 3601, true},
        {"cleared 14 days ago", false, 14 * kDay, 0, 30 * kDay, false},
    };
    auto& settings = DeviceLocalSettings::shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kestrune::DataManager::shared().model()->dictOfMobileDeviceSettings()->clear();
        if (c.tracked) trackPhone(false);
        settings.setClearBluetoothCacheDate(ago(c.cleared));
        settings.setBluetoothCacheErrorDetected(ago(c.error));
        settings.setUserWarnedAboutBluetoothCacheError(ago(c.warned));
        EXPECT_EQ(ClearBluetoothCacheController::shared().shouldNotifyUserAboutCorruptedBluetoothCache(),
                  c.notify);
    }
}

TEST_F(BluetoothCacheTest, TheSizeIsTheFirstWholeIntegerOfTheOutput) {
    const std::pair<std::string, int64_t> cases[] = {
        {"    1234 /Library/Preferences/com.apple.Bluetooth.plist\n", 1234},
        {"1234 x\n", 1234},
        {"wc: /nowhere: No such file or directory\n", -1},
        {"", -1},
        {"12a 7\n", 7},
    };
    for (const auto& [output, size] : cases) {
        shell->output = output;
        EXPECT_EQ(CommandLineBluetoothCache::bluetoothCacheFileSize(), size) << output;
    }
    EXPECT_EQ(shell->commands.back(), "wc -c '" + shell->path + "'");
    // No such file on this system: absent, and its size unknown.
    CommandLineBluetoothCache::setBluetoothCachePath(CommandLineBluetoothCache::kDefaultCachePath);
    EXPECT_FALSE(CommandLineBluetoothCache::bluetoothCacheFileExists());
    EXPECT_EQ(CommandLineBluetoothCache::fileSize(CommandLineBluetoothCache::kDefaultCachePath), -1);
}

TEST_F(BluetoothCacheTest, PathsStayOneWordAndThePasswordGoesOnlyToStandardInput) {
    const std::string path = home() + "/it's \"a\" $(touch pwned) `x` \\ path.plist";
    EXPECT_EQ(shellWords(CommandLineBluetoothCache::sudoDeleteCommand(path)),
              (std::vector<std::string>{"sudo", "-kS", "rm", "-rf", path}));
    EXPECT_EQ(shellWords(CommandLineBluetoothCache::sizeCommand(path)),
              (std::vector<std::string>{"wc", "-c", path}));
    auto words = shellWords(CommandLineBluetoothCache::administratorDeleteCommand(path));
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0], "osascript");
    const std::string prefix = "do shell script \"", suffix = "\" with administrator privileges";
    ASSERT_EQ(words[2].rfind(prefix, 0), 0u);
    ASSERT_GE(words[2].size(), prefix.size() + suffix.size());
    ASSERT_EQ(words[2].substr(words[2].size() - suffix.size()), suffix);
    std::string inner,
        escaped = words[2].substr(prefix.size(), words[2].size() - prefix.size() - suffix.size());
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '"') FAIL() << "an unescaped quote ends the script's string early";
        if (escaped[i] == '\\') ++i;
        inner += escaped[i];
    }
    EXPECT_EQ(shellWords(inner), (std::vector<std::string>{"sudo", "rm", "-rf", path}));
    EXPECT_FALSE(Files::exists(home() + "/pwned"));

    const std::string password = "pa ss'\"word $HOME \\";
    Files::writeAtomically(path, platform::Data::fromString("x"), 0600);
    shell->path = path;
    std::optional<bool> deleted;
    CommandLineBluetoothCache::deleteFile_withSudoPass_withCompletion(path, password,
                                                                      [&](bool ok) { deleted = ok; });
    runUntilIdle();
    EXPECT_EQ(deleted, true);
    ASSERT_EQ(shell->inputs.size(), 1u);
    EXPECT_EQ(shell->inputs[0], password + "\n");
    EXPECT_EQ(shell->commands[0].find("pa ss"), std::string::npos)
        << "the password must not be in the command";
}

TEST_F(BluetoothCacheTest, DeletionsReportWhetherTheFileIsGone) {
    std::vector<bool> results;
    auto record = [&](bool ok) {
        EXPECT_TRUE(platform::isMainThread());
        results.push_back(ok);
    };
    CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithSudoPass_withCompletion("pw",
                                                                                        record);  // absent
    runUntilIdle();
    EXPECT_TRUE(shell->commands.empty()) << "an absent file runs no command";

    createCacheFile();
    shell->deletes = false;  // a wrong password or a cancelled prompt
    CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithSudoPass_withCompletion("pw", record);
    runUntilIdle();
    CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithCompletion(record);
    runUntilIdle();
    shell->deletes = true;
    CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithCompletion(record);
    runUntilIdle();
    EXPECT_EQ(results, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(shell->inputs.back(), std::nullopt) << "the administrator prompt gets no input";
}

TEST_F(BluetoothCacheTest, ForcedClearingNeedsAPasswordThatLogsIn) {
    auto phone = trackPhone(false);
    auto& manager = kestrune::DataManager::shared();
    createCacheFile();
    const auto before = DeviceLocalSettings::shared().tempClearBluetoothCacheDate();
    kestrune::KestruneCommandHelper::forceClearBluetoothCache();  // no stored password
    manager.setClearTextPassword_forMobileDevice("wrong", phone);
    kestrune::KestruneCommandHelper::forceClearBluetoothCache();
    runUntilIdle();
    EXPECT_TRUE(shell->commands.empty());
    EXPECT_EQ(DeviceLocalSettings::shared().tempClearBluetoothCacheDate(), before);

    manager.setClearTextPassword_forMobileDevice("right", phone);
    kestrune::KestruneCommandHelper::forceClearBluetoothCache();
    runUntilIdle();
    EXPECT_FALSE(Files::exists(shell->path));
    EXPECT_EQ(DeviceLocalSettings::shared().tempClearBluetoothCacheDate(), platform::Date::now());
}

}  // namespace
