#include "app/store/DataManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "app/records/Device.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/support/Utilities.h"
#include "platform/storage/Files.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/SystemVersion.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/app/RecordArchiveHelpers.h"

using namespace kestrune;
using platform::Files;
using platform::Number;

namespace {

class DataManagerTest : public recordtests::DataManagerFixture {
protected:
    // A known phone with its settings in the given pairing state.
    static std::shared_ptr<MobileDevice> addPhone(DataManager& manager, const std::string& unId, int status,
                                                  bool connected = false) {
        auto phone = MobileDevice::initWithUnId(unId);
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        auto settings = MobileSettings::initWithUnId(unId);
        settings->pairingInfo()->setConnectionStatus(Number(status));
        (*manager.model()->dictOfAllMobileDevice())[unId] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[unId] = settings;
        return phone;
    }

    static std::string deviceDataPath() { return Utilities::applicationFilesDirectory(); }

    static std::vector<std::string> movedAsideFiles(const std::string& path,
                                                    const std::string& label = "unreadable") {
        std::vector<std::string> found;
        for (const auto& name : Files::listDirectory(Files::parentPath(path)))
            if (name.rfind(Files::lastPathComponent(path) + "." + label + "-", 0) == 0) found.push_back(name);
        return found;
    }
};

}  // namespace

TEST_F(DataManagerTest, FirstLaunchGeneratesAndSavesAFreshModelAtOnce) {
    setenv("KESTRUNE_COMPUTER_NAME", "Ada's Mac (2)", 1);
    session->loggedInAndActive = false;
    session->lidDown = true;
    auto& manager = DataManager::shared();
    unsetenv("KESTRUNE_COMPUTER_NAME");

    EXPECT_TRUE(manager.databaseGenerated());
    EXPECT_TRUE(Files::isDirectory(platform::StandardFolders::applicationSupport() + "/Kestrune"));
    ASSERT_TRUE(Files::exists(deviceDataPath()));
    struct stat info {};
    ASSERT_EQ(stat(deviceDataPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_FALSE(manager.getTrackingMobileDevice());
    EXPECT_FALSE(manager.getTrackingSettings());
    EXPECT_FALSE(manager.isConnectedToTrackingDevice());
    auto mac = manager.getActiveDesktopDevice();
    ASSERT_TRUE(mac && mac->deviceInfo() && mac->sessionInfo());
    EXPECT_EQ(mac->unId(), std::optional<std::string>(""));
    EXPECT_EQ(mac->deviceInfo()->deviceName(), std::optional<std::string>("Ada's Mac "));
    EXPECT_EQ(mac->deviceInfo()->deviceType(), std::optional<Number>(Number(1)));  // a MacBookPro model
    EXPECT_EQ(mac->sessionInfo()->userIdLoggedIn(), std::optional<std::string>("ada"));
    EXPECT_EQ(mac->sessionInfo()->userIsLoggedIn(), std::optional<Number>(Number(false)));
    EXPECT_EQ(mac->sessionInfo()->laptopLidIsDownAndNoExternalMonitor(), std::optional<Number>(Number(true)));

    auto application = manager.applicationData();
    ASSERT_TRUE(application);
    for (const auto* list : {&application->arrayOfManualSnapshots(), &application->arrayOfFailedLogins(),
                             &application->arrayOfLoginLogouts(), &application->arrayOfSafeWifi()}) {
        ASSERT_TRUE(list->has_value());
        EXPECT_TRUE((*list)->empty());
    }
    // Written only when asked for.
    EXPECT_FALSE(Files::exists(Utilities::applicationDataKestruneDirectoryFilePath()));
    EXPECT_TRUE(manager.saveApplicationData());
    EXPECT_TRUE(Files::exists(Utilities::applicationDataKestruneDirectoryFilePath()));
}

TEST_F(DataManagerTest, ALaterLaunchLoadsWhatWasSaved) {
    auto& first = DataManager::shared();
    auto phone = addPhone(first, "phone-1", 6);
    first.setClearTextPassword_forMobileDevice("hunter2", phone);
    first.localSettingsForDevice("phone-1")->setKestruneConfirmedLocation(2);
    ASSERT_TRUE(first.saveCurrentDataModel());

    auto& later = relaunch();
    EXPECT_FALSE(later.databaseGenerated());
    auto tracked = later.getTrackingMobileDevice();
    ASSERT_TRUE(tracked);
    EXPECT_EQ(tracked->unId(), std::optional<std::string>("phone-1"));
    EXPECT_EQ(later.passwordClearTextForMobileDevice(tracked), std::optional<std::string>("hunter2"));
    EXPECT_EQ(later.localSettingsForDevice("phone-1")->kestruneConfirmedLocation(), 2);
}

// Each way the defaults can lose the mark of an earlier launch. None of them may cost the paired phones.
TEST_F(DataManagerTest, ADamagedDefaultsFileNeverReplacesThePhones) {
    using Damage = std::function<void(const std::string& defaultsPath)>;
    auto write = [](const std::string& path, const std::string& bytes) {
        Files::remove(path);
        ASSERT_TRUE(Files::writeAtomically(path, platform::Data::fromString(bytes), 0600));
    };
    const std::vector<std::pair<std::string, Damage>> cases = {
        {"empty", [&](const std::string& path) { write(path, ""); }},
        {"truncated",
         [&](const std::string& path) {
             auto whole = Files::read(path)->toString();
             write(path, whole.substr(0, whole.size() / 2));
         }},
        {"garbage", [&](const std::string& path) { write(path, "\x01\xfe not a property list"); }},
        {"wrong root",
         [&](const std::string& path) {
             write(path,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>"
                   "<string>HasLaunchedOnce</string></array></plist>\n");
         }},
        {"a folder in its place",
         [](const std::string& path) {
             Files::remove(path);
             ASSERT_TRUE(Files::createDirectories(path + "/inside", 0700));
         }},
        {"no launch mark",
         [](const std::string&) {
             ASSERT_TRUE(platform::UserDefaults::standard()->removeObjectForKey("HasLaunchedOnce"));
         }},
        // Nothing can be written beside the defaults, in this launch or any later one (a file where the
        // folder belongs stops even a process that may write everywhere).
        {"an unwritable defaults folder",
         [&](const std::string& path) {
             std::string folder = Files::parentPath(path);
             Files::remove(folder);
             write(folder, "not a folder");
         }},
    };
    // Each case in a function of its own, so that a failed one does not stop the others.
    auto check = [&](const std::string& name, const Damage& damage) {
        SCOPED_TRACE(name);
        Files::remove(Files::parentPath(deviceDataPath()));
        Files::remove(Files::parentPath(platform::UserDefaults::standard()->filePath()));
        auto& first = relaunch();
        auto phone = addPhone(first, "phone-1", 6);
        first.setClearTextPassword_forMobileDevice("hunter2", phone);
        ASSERT_TRUE(first.saveCurrentDataModel());
        auto saved = Files::read(deviceDataPath());
        ASSERT_TRUE(saved);
        platform::UserDefaults::standard()->synchronize();
        damage(platform::UserDefaults::standard()->filePath());

        for (int launch = 0; launch < 2; ++launch) {
            auto& later = relaunch();
            EXPECT_FALSE(later.databaseGenerated());
            auto tracked = later.getTrackingMobileDevice();
            ASSERT_TRUE(tracked);
            EXPECT_EQ(later.passwordClearTextForMobileDevice(tracked), std::optional<std::string>("hunter2"));
            EXPECT_EQ(Files::read(deviceDataPath()), saved);
            EXPECT_TRUE(movedAsideFiles(deviceDataPath()).empty());
        }
    };
    for (const auto& [name, damage] : cases) check(name, damage);
    Files::remove(Files::parentPath(platform::UserDefaults::standard()->filePath()));
}

// A file where a data folder belongs stops even a process that may write everywhere. The user learns it
// in one line per folder, not in one line per save.
TEST_F(DataManagerTest, AnUnwritableDataFolderIsNamedOnceAndSavesDoNotRepeatIt) {
    const std::string dataFolder = platform::StandardFolders::applicationSupport() + "/Kestrune";
    const std::string libraryFolder = platform::StandardFolders::library() + "/Kestrune";
    const std::string defaultsFolder = Files::parentPath(platform::UserDefaults::standard()->filePath());
    for (const auto& folder : {dataFolder, libraryFolder, defaultsFolder})
        ASSERT_TRUE(Files::writeAtomically(folder, platform::Data::fromString("not a folder"), 0600));
    auto linesNaming = [](const testsupport::LogCapture& log, const std::string& text) {
        size_t count = 0;
        for (const auto& line : log.lines()) count += line.find(text) != std::string::npos;
        return count;
    };

    testsupport::LogCapture log;
    auto& manager = relaunch();
    addPhone(manager, "phone-1", 6);
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(manager.saveCurrentDataModel());
        EXPECT_FALSE(platform::UserDefaults::standard()->setInteger_forKey(i, "n"));
        // The history has somewhere to go: the Documents folder stands in for the library.
        EXPECT_TRUE(manager.saveApplicationData());
    }
    EXPECT_EQ(linesNaming(log, dataFolder + " cannot be written"), 1u);
    EXPECT_EQ(linesNaming(log, dataFolder + " cannot be written (something that is not a folder is in its "
                                            "place): nothing saved in it will be kept"),
              1u);
    EXPECT_EQ(linesNaming(log, defaultsFolder + " cannot be written"), 1u);
    EXPECT_EQ(linesNaming(log, libraryFolder + " cannot be written"), 1u);
    EXPECT_EQ(linesNaming(log, "kept in " + Utilities::documentsDirectory() + " instead"), 1u);
    EXPECT_EQ(linesNaming(log, "could not"), 0u);
    EXPECT_EQ(linesNaming(log, "Could not"), 0u);
    // What the run set is still there while it lasts.
    EXPECT_EQ(platform::UserDefaults::standard()->integerForKey("n"), 4);
    EXPECT_TRUE(Files::exists(Utilities::applicationDataKestruneDirectoryFilePath()));
}

// A first launch (no file yet) and the fresh model that replaces a file that was read log only what is
// so: nothing there is called unreadable.
TEST_F(DataManagerTest, AFreshModelKeepsTheFileItReplacesByteForByte) {
    testsupport::LogCapture log;
    auto& first = DataManager::shared();
    EXPECT_TRUE(first.databaseGenerated());
    addPhone(first, "phone-1", 6);
    ASSERT_TRUE(first.saveCurrentDataModel());
    auto saved = Files::read(deviceDataPath());
    ASSERT_TRUE(saved);

    first.generateNewModel();
    EXPECT_TRUE(first.model()->dictOfAllMobileDevice()->empty());
    // The file was read: it is kept as a replaced one, and nothing says it could not be read.
    EXPECT_TRUE(movedAsideFiles(deviceDataPath()).empty());
    auto aside = movedAsideFiles(deviceDataPath(), "replaced");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(log.contains("is replaced by a fresh model; the old file is kept as"));
    for (const auto& line : log.lines()) {
        EXPECT_EQ(line.find("cannot be read"), std::string::npos) << line;
        EXPECT_EQ(line.find("unreadable"), std::string::npos) << line;
    }
    EXPECT_EQ(Files::read(Files::parentPath(deviceDataPath()) + "/" + aside[0]), saved);
    // Generated once per run: asking again keeps the same model.
    auto model = first.model();
    EXPECT_EQ(first.getSavedDataModel(), model);
}

// The history, the device data and the defaults are the user's alone, also where an earlier version
// made their folders readable by everyone.
TEST_F(DataManagerTest, StoredFilesArePrivateAndTheirFoldersTightened) {
    auto modeOf = [](const std::string& path) {
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 0777;
    };
    const std::string appData = Utilities::applicationDataKestruneDirectoryFilePath();
    const std::string defaults = platform::UserDefaults::standard()->filePath();
    ASSERT_TRUE(Files::createDirectories(Files::parentPath(defaults), 0755));
    for (const auto& folder :
         {Files::parentPath(deviceDataPath()), Files::parentPath(appData), Files::parentPath(defaults)})
        ASSERT_EQ(chmod(folder.c_str(), 0755), 0);

    auto& manager = relaunch();
    EXPECT_TRUE(manager.saveCurrentDataModel());
    EXPECT_TRUE(manager.saveApplicationData());
    EXPECT_TRUE(platform::UserDefaults::standard()->setObject_forKey(true, "SomeSetting"));
    for (const auto& file : {deviceDataPath(), appData, defaults}) {
        EXPECT_EQ(modeOf(file), 0600u) << file;
        EXPECT_EQ(modeOf(Files::parentPath(file)), 0700u) << file;
    }
    // A folder made afresh is private from the start.
    Files::remove(Files::parentPath(appData));
    EXPECT_EQ(modeOf(Utilities::applicationDataKestruneDirectory()), 0700u);
}

// Saves cut short by a kill leave their temporary copies; the next start removes them, and only them.
TEST_F(DataManagerTest, LeftoversOfInterruptedSavesAreRemovedAtStart) {
    DataManager::shared().saveApplicationData();
    std::vector<std::string> leftovers, kept;
    for (const auto& file : {deviceDataPath(), Utilities::applicationDataKestruneDirectoryFilePath(),
                             platform::UserDefaults::standard()->filePath()}) {
        std::string folder = Files::parentPath(file);
        leftovers.push_back(folder + "/." + Files::lastPathComponent(file) + ".tmp-a1B2c3");
        kept.push_back(folder + "/." + Files::lastPathComponent(file) + ".tmp-short");
        kept.push_back(folder + "/.another.file.tmp-a1B2c3");
    }
    for (const auto& file : leftovers)
        ASSERT_TRUE(Files::writeAtomically(file, platform::Data::fromString("x")));
    for (const auto& file : kept) ASSERT_TRUE(Files::writeAtomically(file, platform::Data::fromString("x")));

    relaunch();
    platform::UserDefaults::standard()->objectForKey("HasLaunchedOnce");
    for (const auto& file : leftovers) EXPECT_FALSE(Files::exists(file)) << file;
    for (const auto& file : kept) EXPECT_TRUE(Files::exists(file)) << file;
}

// Photos are written as the other files are: a kill during the write leaves a temporary copy in the
// photo folder, which the next start removes. The photos themselves stay.
TEST_F(DataManagerTest, LeftoverCopiesOfPhotosAreRemovedAtStart) {
    DataManager::shared();
    std::vector<std::string> leftovers, kept;
    for (const auto& folder : {Utilities::applicationDataKestruneFailedLoginImagesDirectory(),
                               Utilities::applicationDataKestruneLoginImagesDirectory(),
                               Utilities::applicationDataKestruneManualSnapshotsImagesDirectory()}) {
        for (const char* name :
             {"/.2026-03-04 05:06:07.png.tmp-a1B2c3", "/.2026-03-04 05:06:08.png.tmp-Zz9yX8"})
            leftovers.push_back(folder + name);
        kept.push_back(folder + "/2026-03-04 05:06:07.png");
    }
    // Beside the data file, only that file's own leftovers go: another folder's names are not photos.
    kept.push_back(Files::parentPath(Utilities::applicationDataKestruneDirectoryFilePath()) +
                   "/.notes.txt.tmp-a1B2c3");
    for (const auto& file : leftovers)
        ASSERT_TRUE(Files::writeAtomically(file, platform::Data::fromString("x")));
    for (const auto& file : kept) ASSERT_TRUE(Files::writeAtomically(file, platform::Data::fromString("x")));

    testsupport::LogCapture log;
    relaunch();
    for (const auto& file : leftovers) EXPECT_FALSE(Files::exists(file)) << file;
    for (const auto& file : kept) EXPECT_TRUE(Files::exists(file)) << file;
    EXPECT_TRUE(log.contains("Removed 2 leftover temporary file(s) in " +
                             Utilities::applicationDataKestruneFailedLoginImagesDirectory()));
}

// A photo folder that is a link leads into a folder of the user's, where a name like a temporary copy is
// another program's save in progress: the start leaves it there, says so, and still sweeps the others.
TEST_F(DataManagerTest, AStartLeavesTheFilesOfALinkedPhotoFolderAlone) {
    DataManager::shared();
    const std::string theirs = home() + "/Pictures";
    const std::vector<std::string> saves = {theirs + "/.report.odt.tmp-a1B2c3",
                                            theirs + "/.2026-03-04 05:06:07.png.tmp-a1B2c3"};
    for (const auto& file : saves) ASSERT_TRUE(Files::writeAtomically(file, platform::Data::fromString("x")));
    const std::string mugShots = Utilities::applicationDataKestruneDirectory() + "/MugShots";
    Files::remove(mugShots);
    ASSERT_EQ(symlink(theirs.c_str(), mugShots.c_str()), 0);
    const std::string ownLeftover =
        Utilities::applicationDataKestruneLoginImagesDirectory() + "/.2026-03-04 05:06:07.png.tmp-a1B2c3";
    ASSERT_TRUE(Files::writeAtomically(ownLeftover, platform::Data::fromString("x")));

    testsupport::LogCapture log;
    relaunch();
    for (const auto& file : saves) EXPECT_TRUE(Files::exists(file)) << file;
    EXPECT_FALSE(Files::exists(ownLeftover));
    EXPECT_TRUE(log.contains("The photo folder " + mugShots + " is a link"));
}

TEST_F(DataManagerTest, TheTrackedPhoneIsTheOneWithPairingStatusSix) {
    auto& manager = DataManager::shared();
    addPhone(manager, "a-phone", 2);
    auto paired = addPhone(manager, "b-phone", 6, true);
    EXPECT_EQ(manager.getTrackingMobileDevice(), paired);
    EXPECT_EQ(manager.getTrackingSettings(), manager.settingsForDeviceId("b-phone"));
    EXPECT_TRUE(manager.isConnectedToTrackingDevice());

    manager.unlinkAllKnownTrackingDevices();
    EXPECT_FALSE(manager.getTrackingMobileDevice());
    EXPECT_FALSE(manager.getTrackingSettings());
    EXPECT_FALSE(manager.isConnectedToTrackingDevice());
    EXPECT_EQ(manager.settingsForDeviceId("a-phone")->pairingInfo()->connectionStatus()->intValue(), 2);
    EXPECT_EQ(manager.settingsForDeviceId("b-phone")->pairingInfo()->connectionStatus()->intValue(), 2);

    // Settings at 6 whose phone is not stored name no tracked phone.
    manager.settingsForDeviceId("b-phone")->pairingInfo()->setConnectionStatus(Number(6));
    manager.model()->dictOfAllMobileDevice()->erase("b-phone");
    EXPECT_FALSE(manager.getTrackingMobileDevice());
    EXPECT_FALSE(manager.settingsForDeviceId(std::nullopt));
}

TEST_F(DataManagerTest, ForgettingPhonesKeepsTheTrackedAndTheConnectedOnes) {
    auto& manager = DataManager::shared();
    addPhone(manager, "tracked", 6);
    addPhone(manager, "connected", 2, true);
    auto gone = addPhone(manager, "gone", 1);
    manager.setClearTextPassword_forMobileDevice("pw", gone);
    manager.localSettingsForDevice("gone");

    manager.deleteAllDevicesExceptTrackingDevice();
    auto& model = *manager.model();
    EXPECT_EQ(model.dictOfAllMobileDevice()->size(), 2u);
    EXPECT_TRUE(model.dictOfAllMobileDevice()->count("tracked"));
    EXPECT_TRUE(model.dictOfAllMobileDevice()->count("connected"));
    EXPECT_FALSE(model.dictOfMobileDeviceSettings()->count("gone"));
    EXPECT_FALSE(model.dictOfPasswords()->count("gone"));
    EXPECT_FALSE(model.dictOfMobileDeviceLocalSettings()->count("gone"));
}

TEST_F(DataManagerTest, PasswordsAreStoredEncryptedAndReadBack) {
    auto& manager = DataManager::shared();
    auto phone = addPhone(manager, "phone-1", 6);
    auto stranger = MobileDevice::initWithUnId("never-given");
    EXPECT_EQ(manager.passwordClearTextForMobileDevice(stranger), std::optional<std::string>(""));

    manager.setClearTextPassword_forMobileDevice("correct horse", phone);
    EXPECT_EQ(manager.passwordClearTextForMobileDevice(phone), std::optional<std::string>("correct horse"));
    const std::string& stored = manager.model()->dictOfPasswords()->at("phone-1");
    EXPECT_EQ(stored.find("correct horse"), std::string::npos);
    manager.setClearTextPassword_forMobileDevice("battery staple", phone);
    EXPECT_EQ(manager.passwordClearTextForMobileDevice(phone), std::optional<std::string>("battery staple"));

    // The password the pairing request carried is not saved with the registered user.
    auto user = DeviceUser::init();
    user->setUsername("ada");
    user->setPassword("battery staple");
    manager.settingsForDeviceId("phone-1")->setRegisteredDeviceUser(user);
    ASSERT_TRUE(manager.saveCurrentDataModel());
    auto bytes = Files::read(deviceDataPath());
    ASSERT_TRUE(bytes);
    std::string file = bytes->toString();
    EXPECT_EQ(file.find("battery staple"), std::string::npos);
    EXPECT_FALSE(user->password());

    (*manager.model()->dictOfPasswords())["phone-1"] = "not base64 at all";
    testsupport::LogCapture log;
    EXPECT_FALSE(manager.passwordClearTextForMobileDevice(phone));
    EXPECT_TRUE(log.contains("does not decrypt"));
}

TEST_F(DataManagerTest, LocalSettingsAreMadeOnceAndKept) {
    auto& manager = DataManager::shared();
    auto first = manager.localSettingsForDevice("phone-1");
    ASSERT_TRUE(first);
    EXPECT_EQ(manager.localSettingsForDevice("phone-1"), first);
    EXPECT_FALSE(manager.localSettingsForDevice(std::nullopt));

    first->setKestruneConfirmedLocation(2);
    manager.upadteRSSILocationToUnknownForMobileDevice(MobileDevice::initWithUnId("phone-1"));
    EXPECT_EQ(first->kestruneConfirmedLocation(), 0);
}

TEST_F(DataManagerTest, ThePairingQueueKeepsPhonesInOrder) {
    auto& manager = DataManager::shared();
    EXPECT_FALSE(manager.getNextMobileDevice());
    auto a = MobileDevice::initWithUnId("a");
    auto b = MobileDevice::initWithUnId("b");
    manager.addMobileDeviceToPairingRequestQueue(a);
    manager.addMobileDeviceToPairingRequestQueue(b);
    EXPECT_EQ(manager.getNextMobileDevice(), a);
    EXPECT_EQ(manager.getNextMobileDevice(), a);
    manager.removeMobileDeviceFromPairingRequestQueue(a);
    EXPECT_EQ(manager.getNextMobileDevice(), b);

    manager.setPairingMobileDevice(b);
    manager.setDidAcceptPairingDevice(true);
    manager.clearPairingDevice();
    EXPECT_FALSE(manager.pairingMobileDevice());
    EXPECT_FALSE(manager.didAcceptPairingDevice());
}

TEST_F(DataManagerTest, AnOlderDeviceDataFileGetsTheLaterDictionaries) {
    auto& first = DataManager::shared();
    addPhone(first, "phone-1", 6);
    ASSERT_TRUE(first.saveCurrentDataModel());
    auto bytes = Files::read(deviceDataPath());
    ASSERT_TRUE(bytes);
    auto older =
        recordtests::withoutKeys(*bytes, {"dictOfPeripheralsToIgnore", "dictOfMobileDeviceLocalSettings"});
    ASSERT_TRUE(Files::writeAtomically(deviceDataPath(), older, 0600));
    EXPECT_EQ(recordtests::storedKeys(older, "DataModel"),
              (std::set<std::string>{"currentDevice", "dictOfMobileDeviceSettings", "dictOfAllMobileDevice",
                                     "dictOfPasswords"}));

    auto& later = relaunch();
    ASSERT_TRUE(later.model()->dictOfPeripheralsToIgnore());
    EXPECT_TRUE(later.model()->dictOfPeripheralsToIgnore()->empty());
    ASSERT_TRUE(later.model()->dictOfMobileDeviceLocalSettings());
    EXPECT_TRUE(later.model()->dictOfMobileDeviceLocalSettings()->empty());
    EXPECT_TRUE(later.getTrackingMobileDevice());
}

TEST_F(DataManagerTest, AnUnreadableFileIsMovedAsideNeverSavedOver) {
    DataManager::shared();
    const std::string garbage = "this is not an archive";
    ASSERT_TRUE(Files::writeAtomically(deviceDataPath(), platform::Data::fromString(garbage), 0600));
    const std::string appData = Utilities::applicationDataKestruneDirectoryFilePath();
    ASSERT_TRUE(Files::writeAtomically(appData, platform::Data::fromString(garbage)));

    testsupport::LogCapture log;
    auto& manager = relaunch();
    EXPECT_TRUE(log.contains(deviceDataPath()));
    // Started empty: a fresh device model, saved where the unreadable file was.
    EXPECT_TRUE(manager.databaseGenerated());
    EXPECT_TRUE(Files::exists(deviceDataPath()));
    auto aside = movedAsideFiles(deviceDataPath());
    ASSERT_EQ(aside.size(), 1u);
    auto kept = Files::read(Files::parentPath(deviceDataPath()) + "/" + aside[0]);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->toString(), garbage);

    EXPECT_TRUE(manager.applicationData()->arrayOfLoginLogouts()->empty());
    EXPECT_EQ(movedAsideFiles(appData).size(), 1u);
    EXPECT_TRUE(manager.saveApplicationData());
}

TEST_F(DataManagerTest, AFileHoldingAnotherRootIsMovedAsideToo) {
    DataManager::shared();
    auto archive = platform::KeyedArchiver::archivedDataWithRootObject(platform::Value("just a text"));
    ASSERT_TRUE(archive);
    ASSERT_TRUE(Files::writeAtomically(deviceDataPath(), *archive, 0600));
    auto& manager = relaunch();
    EXPECT_TRUE(manager.model());
    EXPECT_EQ(movedAsideFiles(deviceDataPath()).size(), 1u);
}

// A save of a model that has not changed since the last one leaves the file as it is (the scanner's
// ignore list is cleared, and the model saved, a few seconds after every start); a change is saved.
TEST_F(DataManagerTest, ASaveOfAnUnchangedModelLeavesTheFileAsItIs) {
    const auto inode = [] {
        struct stat info {};
        return stat(deviceDataPath().c_str(), &info) == 0 ? info.st_ino : 0;
    };
    auto& manager = DataManager::shared();
    addPhone(manager, "phone-1", 6);
    ASSERT_TRUE(manager.saveCurrentDataModel());
    const ino_t saved = inode();
    ASSERT_NE(saved, 0u);
    EXPECT_TRUE(manager.saveCurrentDataModel());
    EXPECT_EQ(inode(), saved);
    addPhone(manager, "phone-2", 1);
    EXPECT_TRUE(manager.saveCurrentDataModel());
    EXPECT_NE(inode(), saved);
    EXPECT_EQ(relaunch().model()->dictOfAllMobileDevice()->size(), 2u);
}

TEST_F(DataManagerTest, ASaveThatFailsHalfWayLeavesThePreviousFileReadable) {
    auto& manager = DataManager::shared();
    addPhone(manager, "phone-1", 6);
    ASSERT_TRUE(manager.saveCurrentDataModel());
    addPhone(manager, "phone-2", 1);
    Files::failNextWriteAfter(64);
    EXPECT_FALSE(manager.saveCurrentDataModel());

    auto& later = relaunch();
    EXPECT_FALSE(later.databaseGenerated());
    EXPECT_EQ(later.model()->dictOfAllMobileDevice()->size(), 1u);
    EXPECT_TRUE(later.model()->dictOfAllMobileDevice()->count("phone-1"));
    EXPECT_TRUE(movedAsideFiles(deviceDataPath()).empty());
}

TEST_F(DataManagerTest, SavesFromAnotherThreadAreQueuedToTheMainThread) {
    auto& manager = DataManager::shared();
    addPhone(manager, "phone-1", 6);
    bool savedThere = true;
    std::thread worker([&] { savedThere = manager.saveCurrentDataModel(); });
    worker.join();
    EXPECT_FALSE(savedThere);
    runUntilIdle();
    auto& later = relaunch();
    EXPECT_TRUE(later.model()->dictOfAllMobileDevice()->count("phone-1"));
}

TEST_F(DataManagerTest, ACleanRunUsesAndEmptiesOnlyTheTestFolders) {
    auto& normal = DataManager::shared();
    addPhone(normal, "phone-1", 6);
    ASSERT_TRUE(normal.saveCurrentDataModel());
    ASSERT_TRUE(normal.saveApplicationData());
    const std::string normalDeviceData = deviceDataPath();
    const std::string normalAppData = Utilities::applicationDataKestruneDirectoryFilePath();

    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run"});
    const std::string leftover = platform::StandardFolders::applicationSupport() + "/Kestrune/Test/leftover";
    ASSERT_TRUE(Files::writeAtomically(leftover, platform::Data::fromString("123")));

    auto& clean = relaunch();
    EXPECT_FALSE(Files::exists(leftover));
    EXPECT_NE(deviceDataPath(), normalDeviceData);
    EXPECT_NE(deviceDataPath().find("/Kestrune/Test/"), std::string::npos);
    EXPECT_NE(Utilities::applicationDataKestruneDirectoryFilePath().find("/Kestrune/Test/"),
              std::string::npos);
    EXPECT_TRUE(Files::exists(deviceDataPath()));
    EXPECT_FALSE(clean.getTrackingMobileDevice());
    EXPECT_TRUE(Files::exists(normalDeviceData));
    EXPECT_TRUE(Files::exists(normalAppData));

    // A clean run that relaunched itself keeps what it had: the relaunch is the same clean run.
    addPhone(clean, "clean-phone", 6);
    ASSERT_TRUE(clean.saveCurrentDataModel());
    DeviceLocalSettings::shared().storeObject_forKey(platform::Value("kept"), "aCleanRunSetting");
    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run", "-relaunched"});
    DeviceLocalSettings::resetSharedForTesting();
    EXPECT_TRUE(relaunch().getTrackingMobileDevice());
    EXPECT_EQ(DeviceLocalSettings::shared().userDefaults->objectForKey("aCleanRunSetting"),
              platform::Value("kept"));

    platform::ProcessInfo::shared().setArguments({"kestrune"});
    EXPECT_TRUE(relaunch().getTrackingMobileDevice());
}

TEST_F(DataManagerTest, CurrentDeviceInfoRefreshesTheMacAndEveryPhonesVersions) {
    auto& manager = DataManager::shared();
    addPhone(manager, "phone-1", 6);
    auto settings = manager.settingsForDeviceId("phone-1");
    auto& track = *settings->mobileDeviceTrackInfo();
    track.setProxLockTemporaryDisabledBecauseLogout(Number(true));
    track.setProxLockTemporaryDisabledBecauseLogin(Number(true));
    platform::SystemVersion::setOverride("10.13.6");

    session->username = "grace";
    manager.updateInfoBeforeSyncingForMobileDevice(manager.getTrackingMobileDevice());
    EXPECT_EQ(settings->OSXSettings()->OSXSystemVersion(), std::optional<std::string>("10.13.6 "));
    EXPECT_EQ(settings->OSXSettings()->OSXVersion(), std::optional<std::string>(Common::getAppVersion()));
    EXPECT_EQ(track.proxLockTemporaryDisabledBecauseLogout(), std::optional<Number>(Number(false)));
    EXPECT_EQ(track.proxLockTemporaryDisabledBecauseLogin(), std::optional<Number>(Number(true)));
    EXPECT_EQ(manager.getActiveDesktopDevice()->sessionInfo()->userIdLoggedIn(),
              std::optional<std::string>("grace"));

    session->loggedInAndActive = false;
    manager.updateCurrentDeviceInfo();
    EXPECT_EQ(track.proxLockTemporaryDisabledBecauseLogin(), std::optional<Number>(Number(false)));
    platform::SystemVersion::setOverride(std::nullopt);

    manager.model()->setCurrentDevice(nullptr);
    manager.updateCurrentDeviceInfo();
    EXPECT_TRUE(manager.getActiveDesktopDevice());
}

TEST_F(DataManagerTest, SessionAndUserAnswersComeFromTheSessionServices) {
    auto& manager = DataManager::shared();
    session->loggedInAndActive = false;
    manager.updateUserLoggedIn();
    EXPECT_FALSE(manager.getActiveDesktopDevice()->userStatedAsLoggedIn());
    session->loggedInAndActive = true;
    manager.updateUserLoggedIn();
    EXPECT_TRUE(manager.getActiveDesktopDevice()->userStatedAsLoggedIn());

    auto user = manager.getActiveDesktopUser();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->username(), std::optional<std::string>("ada"));
    session->username = "nobody-here";
    EXPECT_FALSE(manager.getActiveDesktopUser());

    auto phone = addPhone(manager, "phone-1", 6);
    auto preferences = iOSPreferences::init();
    manager.updateiOSSettings_fromIphoneDevice(preferences, phone);
    EXPECT_EQ(manager.settingsForDeviceId("phone-1")->iOSSettings(), preferences);
    manager.updateiOSSettings_fromIphoneDevice(iOSPreferences::init(), MobileDevice::initWithUnId("unknown"));
    EXPECT_FALSE(manager.settingsForDeviceId("unknown"));
}
