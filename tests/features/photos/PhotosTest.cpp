#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/store/DataManager.h"
#include "app/support/Utilities.h"
#include "features/history/LoginTrackerFactory.h"
#include "features/photos/FailedLoginFactory.h"
#include "features/photos/FailedLoginHelper.h"
#include "features/photos/ImageCompression.h"
#include "features/photos/ImageSnap.h"
#include "features/photos/PhotoCollection.h"
#include "features/photos/PhotoManager.h"
#include "features/photos/TakePhotoManager.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/storage/Files.h"
#include "platform/ui/ImageCoding.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;
using platform::SimulatedCamera;

namespace {

constexpr const char* kNowName = "2027-01-15 08:00:00.png";  // the fixture's virtual start, in UTC

class PhotosTest : public featuretests::FeatureTest {
protected:
    void SetUp() override {
        FeatureTest::SetUp();
        platform::ui::CairoRenderer::installAsBackend();
        useCamera({SimulatedCamera::Device{}});
    }
    void TearDown() override {
        platform::CaptureBackend::install(nullptr);
        platform::ui::Renderer::install(nullptr);
        FeatureTest::TearDown();
    }

    void useCamera(std::vector<SimulatedCamera::Device> devices) {
        camera = SimulatedCamera::create(std::move(devices));
        platform::CaptureBackend::install(camera);
    }

    std::shared_ptr<ApplicationDataModel> data() { return DataManager::shared().applicationData(); }

    template <class Entry>
    std::shared_ptr<Entry> entryAt(const std::optional<ApplicationDataModel::EntryList>& list, size_t index) {
        if (!list || list->size() <= index) return nullptr;
        return std::dynamic_pointer_cast<Entry>((*list)[index]);
    }

    static void insertFirst(std::optional<ApplicationDataModel::EntryList>& list,
                            std::shared_ptr<platform::Object> entry) {
        if (!list) list.emplace();
        list->insert(list->begin(), std::move(entry));
    }
    static std::vector<uint8_t> bytesOf(const std::string& path) {
        auto data = platform::Files::read(path);
        return data ? data->vector() : std::vector<uint8_t>{};
    }
    static bool startsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& magic) {
        return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    }

    std::shared_ptr<SimulatedCamera> camera;
};

TEST_F(PhotosTest, FailedLoginWithoutPhotoSettingStoresARecordWithoutPath) {
    DeviceLocalSettings::shared().setTakePhotoOnFailedLogin(false);
    PhotoManager photos;
    EXPECT_FALSE(photos.shouldTakePhotoOnFailedLogin());
    EXPECT_TRUE(photos.shouldTakeManualSnapshot());
    FailedLoginFactory().createAndSaveFailedLoginEventTakePhoto(photos.shouldTakePhotoOnFailedLogin());
    auto entry = entryAt<FailedLoginEntry>(data()->arrayOfFailedLogins(), 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->imagePath(), std::nullopt);
    EXPECT_EQ(entry->date()->timeIntervalSince1970(), now());
    advance(10);
    EXPECT_EQ(camera->sessionsOpened(), 0);
}

TEST_F(PhotosTest, FailedLoginPhotoIsWrittenOneAndAHalfSecondsLater) {
    PhotoManager photos;
    ASSERT_TRUE(photos.shouldTakePhotoOnFailedLogin());  // on unless the user turned it off
    FailedLoginFactory().createAndSaveFailedLoginEventTakePhoto(true);
    auto entry = entryAt<FailedLoginEntry>(data()->arrayOfFailedLogins(), 0);
    ASSERT_TRUE(entry && entry->imagePath());
    const std::string expected = Utilities::applicationDataKestruneDirectory() + "/MugShots/" + kNowName;
    EXPECT_EQ(*entry->imagePath(), expected);
    // The record is stored at once, before its photo exists.
    DataManager::resetSharedForTesting();
    auto stored = entryAt<FailedLoginEntry>(data()->arrayOfFailedLogins(), 0);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->imagePath(), expected);
    EXPECT_FALSE(stored->mugShotImageExists());

    advance(1.49);
    EXPECT_FALSE(platform::Files::exists(expected));
    advance(0.01);
    ASSERT_TRUE(platform::Files::exists(expected));
    EXPECT_TRUE(startsWith(bytesOf(expected), {0x89, 'P', 'N', 'G'}));
    struct stat info {};
    ASSERT_EQ(stat(expected.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(camera->sessionsRunning(), 0);
    auto image = stored->mugShotImage();
    ASSERT_TRUE(image && image->bitmap());
    EXPECT_EQ(image->bitmap()->width, 64);
    EXPECT_EQ(FailedLoginHelper::allImageFilenames(), std::vector<std::string>{kNowName});
}

TEST_F(PhotosTest, ManualSnapshotIsStoredBeforeItsPhotoAndReportsOnce) {
    std::vector<std::pair<bool, double>> results;
    FailedLoginFactory().createAndSaveManualSnapshotWithCompletion([&](bool success) {
        results.push_back({success, now()});
    });
    const double start = now();
    auto entry = entryAt<ManaulSnapshotEntry>(data()->arrayOfManualSnapshots(), 0);
    ASSERT_TRUE(entry && entry->imagePath());
    EXPECT_EQ(*entry->imagePath(),
              Utilities::applicationDataKestruneDirectory() + "/ManualSnapshots/" + kNowName);
    EXPECT_FALSE(entry->mugShotImageExists());
    advance(10);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].first);
    EXPECT_DOUBLE_EQ(results[0].second - start, 1.5);
    EXPECT_TRUE(entry->mugShotImageExists());
}

TEST_F(PhotosTest, CameraThatNeverDeliversFailsFiveSecondsIntoTheWait) {
    SimulatedCamera::Device silent;
    silent.neverDelivers = true;
    useCamera({silent});
    std::vector<std::pair<bool, double>> results;
    const double start = now();
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(home() + "/a.png", [&](bool ok) {
        results.push_back({ok, now()});
    });
    // The wait runs the main loop itself, so time moves on inside it: the answer carries its moment.
    advance(1.49);
    EXPECT_TRUE(results.empty());
    advance(10);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].first);
    EXPECT_DOUBLE_EQ(results[0].second - start, 1.5 + ImageSnap::kFrameWaitLimit);
    EXPECT_EQ(camera->sessionsRunning(), 0);
    EXPECT_FALSE(platform::Files::exists(home() + "/a.png"));
    EXPECT_TRUE(logged("no frame from Simulated Camera within 5.0 s"));
}

TEST_F(PhotosTest, CamerasThatFailOrAreMissing) {
    std::vector<bool> results;
    auto record = [&](bool ok) { results.push_back(ok); };

    SimulatedCamera::Device busy;
    busy.failsToOpen = true;
    useCamera({busy});
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(home() + "/busy.png", record);
    runUntilIdle();
    EXPECT_EQ(results, std::vector<bool>{false});

    SimulatedCamera::Device stuck;
    stuck.failsToStart = true;
    useCamera({stuck});
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(home() + "/stuck.png", record);
    runUntilIdle();
    EXPECT_EQ(results, (std::vector<bool>{false, false}));

    // No camera at all: the closure is never called, and the record is still kept with its path.
    useCamera({});
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(home() + "/none.png", record);
    FailedLoginFactory().createAndSaveFailedLoginEventTakePhoto(true);
    advance(10);
    EXPECT_EQ(results.size(), 2u);
    auto entry = entryAt<FailedLoginEntry>(data()->arrayOfFailedLogins(), 0);
    ASSERT_TRUE(entry && entry->imagePath());
    EXPECT_FALSE(entry->mugShotImageExists());
}

TEST_F(PhotosTest, SeveralCamerasGiveOnePhotoAndOneAnswer) {
    SimulatedCamera::Device muxed;
    muxed.name = "Capture Card";
    muxed.mediaType = platform::CaptureMediaType::Muxed;
    SimulatedCamera::Device front, back;
    front.name = "Front";
    back.name = "Front";  // the same name twice: deviceNamed answers the last
    useCamera({muxed, front, back});
    auto devices = ImageSnap::videoDevices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].localizedDescription, "Front");
    EXPECT_EQ(devices[2].localizedDescription, "Capture Card");  // muxed after video
    EXPECT_EQ(ImageSnap::deviceNamed("Front")->uniqueID, devices[1].uniqueID);
    EXPECT_EQ(ImageSnap::deviceNamed("Nobody"), std::nullopt);
    EXPECT_EQ(ImageSnap::defaultVideoDevice()->uniqueID, devices[0].uniqueID);

    int answers = 0;
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(home() + "/one.png", [&](bool) { ++answers; });
    advance(10);
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(camera->sessionsOpened(), 1);

    useCamera({muxed});
    EXPECT_EQ(ImageSnap::defaultVideoDevice()->localizedDescription, "Capture Card");
    EXPECT_TRUE(ImageSnap::hasVideoDevice());
    useCamera({});
    EXPECT_FALSE(ImageSnap::hasVideoDevice());
}

TEST_F(PhotosTest, CameraThatDoesNotStopIsLetGoAfterFiveSeconds) {
    SimulatedCamera::Device sticky;
    sticky.stopDelay = std::numeric_limits<double>::infinity();
    useCamera({sticky});
    std::vector<std::pair<bool, double>> results;
    const double start = now();
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(home() + "/sticky.png", [&](bool ok) {
        results.push_back({ok, now()});
    });
    advance(10);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].first);
    EXPECT_DOUBLE_EQ(results[0].second - start, 1.5 + ImageSnap::kStopWaitLimit);
    EXPECT_TRUE(logged("did not stop within 5.0 s"));
}

TEST_F(PhotosTest, FileTypeFollowsTheExtension) {
    auto frame = SimulatedCamera::testPattern(16, 8, 0);
    auto image = ImageSnap::nsImageFromCIImage({frame.width, frame.height, frame.pixels});
    const std::pair<const char*, std::vector<uint8_t>> kinds[] = {
        {"photo.JPG", {0xFF, 0xD8, 0xFF}},
        {"photo.jpeg", {0xFF, 0xD8, 0xFF}},
        {"photo.png", {0x89, 'P', 'N', 'G'}},
        {"photo.Tif", {'I', 'I', 42, 0}},
        {"photo.tiff", {'I', 'I', 42, 0}},
        {"photo.bmp", {'B', 'M'}},
        {"photo.gif", {'G', 'I', 'F', '8', '9', 'a'}},
        {"photo.raw", {0xFF, 0xD8, 0xFF}},
    };
    for (const auto& [name, magic] : kinds) {
        const std::string path = home() + "/" + name;
        ASSERT_TRUE(ImageSnap::saveImage_toPath(*image, path)) << name;
        EXPECT_TRUE(startsWith(bytesOf(path), magic)) << name;
    }
    // The JPEG of ".JPG" reads back at the same size; a 0.9 quality keeps the bars close.
    auto jpeg = ImageSnap::imageFromFile(home() + "/photo.JPG");
    ASSERT_TRUE(jpeg && jpeg->bitmap());
    EXPECT_EQ(jpeg->bitmap()->width, 16);
    EXPECT_NEAR(jpeg->bitmap()->rgbaAt(1, 4).r, 255, 12);
    EXPECT_EQ(ImageSnap::imageFromFile(home() + "/missing.png"), nullptr);
    // The BMP header says what follows.
    auto bmp = bytesOf(home() + "/photo.bmp");
    EXPECT_EQ(bmp.size(), 54u + 16 * 8 * 4);
}

TEST_F(PhotosTest, CompressionOneKeepsThePixelsHalfGoesThroughJpeg) {
    SimulatedCamera::Device device;
    device.width = 40;
    device.height = 30;
    useCamera({device});
    const auto camera = ImageSnap::defaultVideoDevice();
    auto pattern = SimulatedCamera::testPattern(40, 30, 0);  // the first frame is the one taken

    ASSERT_TRUE(ImageSnap::saveSingleSnapshotFrom_toFile_withWarmup_compression(camera, home() + "/full.png",
                                                                                std::nullopt, 1.0));
    auto full = ImageSnap::imageFromFile(home() + "/full.png");
    ASSERT_TRUE(full && full->bitmap());
    EXPECT_EQ(full->bitmap()->pixels, pattern.pixels);

    ASSERT_TRUE(ImageSnap::saveSingleSnapshotFrom_toFile_withWarmup_compression(camera, home() + "/half.png",
                                                                                std::nullopt, 0.5));
    auto half = ImageSnap::imageFromFile(home() + "/half.png");
    ASSERT_TRUE(half && half->bitmap());
    EXPECT_NE(half->bitmap()->pixels, pattern.pixels);
    auto viaJpeg = imageCompressedByFactor(*ImageSnap::nsImageFromCIImage({40, 30, pattern.pixels}), 0.5);
    ASSERT_TRUE(viaJpeg);
    EXPECT_EQ(half->bitmap()->pixels, viaJpeg->bitmap()->pixels);
    EXPECT_FALSE(ImageSnap::saveSingleSnapshotFrom_toFile(std::nullopt, home() + "/none.png"));
}

TEST_F(PhotosTest, ColourControlsPerPixel) {
    platform::ui::Bitmap pixels{2, 1, {0xFFFF0000, 0x80400000}};  // opaque red, half-transparent red
    auto image = ImageSnap::nsImageFromCIImage(pixels);
    auto grey = ImageSnap::oldPhoto_withBrightness_saturation_contrast(*image, 0, 0, 1);
    auto c = grey->bitmap()->rgbaAt(0, 0);
    EXPECT_EQ(c.r, 54);  // 0.2125 of full red
    EXPECT_EQ(c.g, 54);
    EXPECT_EQ(grey->bitmap()->rgbaAt(1, 0).a, 128);
    auto brighter = ImageSnap::oldPhoto_withBrightness_saturation_contrast(*image, 0.5, 1, 1);
    EXPECT_EQ(brighter->bitmap()->rgbaAt(0, 0).g, 128);
    auto flat = ImageSnap::oldPhoto_withBrightness_saturation_contrast(*image, 0, 1, 0);
    EXPECT_EQ(flat->bitmap()->rgbaAt(0, 0).r, 128);
    EXPECT_EQ(ImageSnap::enhancedImageFromImage(image), image);
}

TEST_F(PhotosTest, DeletionsByKind) {
    platform::Files::createDirectories(Utilities::documentsDirectory());
    FailedLoginFactory factory;
    factory.createAndSaveManualSnapshotWithCompletion(nullptr);
    factory.createAndSaveFailedLoginEventTakePhoto(true);
    advance(10);
    auto snapshot = entryAt<ManaulSnapshotEntry>(data()->arrayOfManualSnapshots(), 0);
    auto failed = entryAt<FailedLoginEntry>(data()->arrayOfFailedLogins(), 0);
    ASSERT_TRUE(snapshot && failed && snapshot->mugShotImageExists() && failed->mugShotImageExists());

    // A history entry keeps its place; only its photo goes.
    const std::string loginPhoto = FailedLoginHelper::newImageFilePathLoginForDate(platform::Date::now());
    ASSERT_TRUE(platform::Files::writeAtomically(loginPhoto, platform::Data(std::vector<uint8_t>{1})));
    auto history = LoginLogoutEntry::initWithEvent_date_reason(2, platform::Date::now(), 1);
    history->setImagePath(loginPhoto);
    data()->arrayOfLoginLogouts() = ApplicationDataModel::EntryList{history};
    FailedLoginFactory::deleteBaseEntry(history);
    EXPECT_FALSE(platform::Files::exists(loginPhoto));
    EXPECT_EQ(data()->arrayOfLoginLogouts()->size(), 1u);

    FailedLoginFactory::deleteBaseEntry(snapshot);
    EXPECT_FALSE(platform::Files::exists(*snapshot->imagePath()));
    EXPECT_TRUE(data()->arrayOfManualSnapshots()->empty());
    FailedLoginFactory::deleteBaseEntry(snapshot);  // twice: nothing left to do
    DataManager::resetSharedForTesting();
    EXPECT_TRUE(data()->arrayOfManualSnapshots()->empty());
    EXPECT_EQ(data()->arrayOfFailedLogins()->size(), 1u);

    FailedLoginFactory::deleteAllFaileLoginEntries();
    EXPECT_FALSE(platform::Files::exists(FailedLoginHelper::ownFolderPath("MugShots")));
    EXPECT_TRUE(data()->arrayOfFailedLogins()->empty());
    FailedLoginFactory::deleteAllSnapshotEntries();
    EXPECT_FALSE(platform::Files::exists(FailedLoginHelper::ownFolderPath("ManualSnapshots")));
    FailedLoginFactory::deleteAllLoginEntryImages();
    EXPECT_FALSE(platform::Files::exists(FailedLoginHelper::ownFolderPath("LoginImages")));
    EXPECT_TRUE(platform::Files::isDirectory(Utilities::documentsDirectory()));
}

// A record damaged or edited by hand may point at a folder, a link or a file of the user's: none of them
// is listed as a photo, and deleting the record removes none of them. Only the one photo file goes.
TEST_F(PhotosTest, OnlyTheApplicationsOwnPhotoFilesAreShownOrDeleted) {
    const std::string own =
        FailedLoginHelper::newImageFilePathFailedLoginAttemptsForDate(platform::Date::now());
    const std::string mugShots = platform::Files::parentPath(own);
    const std::string precious = home() + "/Precious", theirs = home() + "/theirs.png";
    ASSERT_TRUE(
        platform::Files::writeAtomically(precious + "/inside/keep.txt", platform::Data::fromString("1")));
    ASSERT_TRUE(platform::Files::writeAtomically(theirs, platform::Data::fromString("2")));
    ASSERT_TRUE(platform::Files::writeAtomically(own, platform::Data::fromString("3")));
    ASSERT_TRUE(platform::Files::createDirectories(mugShots + "/a folder.png"));
    ASSERT_EQ(symlink(theirs.c_str(), (mugShots + "/link.png").c_str()), 0);
    ASSERT_EQ(symlink(precious.c_str(), (mugShots + "/linked folder").c_str()), 0);

    std::vector<std::shared_ptr<BaseEntry>> records;
    for (const std::string& path :
         {precious, precious + "/inside", theirs, mugShots + "/a folder.png", mugShots + "/link.png",
          mugShots + "/linked folder/inside/keep.txt", mugShots + "/../../../theirs.png", mugShots, own}) {
        auto entry = FailedLoginEntry::init();
        entry->setDate(platform::Date::now());
        entry->setImagePath(path);
        records.push_back(entry);
        insertFirst(data()->arrayOfFailedLogins(), entry);
    }
    EXPECT_EQ(PhotoCollection::entriesWithMugShots(records), PhotoCollection::Entries{records.back()});
    EXPECT_EQ(PhotoCollection::shownEntries(true, records, true, records, true, records).size(), 3u);
    EXPECT_FALSE(records[0]->mugShotImageExists());  // a folder is no photo
    EXPECT_FALSE(records[4]->mugShotImageExists());  // nor is a link

    for (const auto& entry : records) FailedLoginFactory::deleteBaseEntry(entry);
    EXPECT_TRUE(data()->arrayOfFailedLogins()->empty());
    EXPECT_FALSE(platform::Files::exists(own));
    EXPECT_EQ(platform::Files::read(precious + "/inside/keep.txt"), platform::Data::fromString("1"));
    EXPECT_EQ(platform::Files::read(theirs), platform::Data::fromString("2"));
    EXPECT_TRUE(platform::Files::isDirectory(mugShots + "/a folder.png"));
    EXPECT_TRUE(platform::Files::exists(mugShots + "/link.png"));
    EXPECT_TRUE(platform::Files::exists(mugShots + "/linked folder"));
    EXPECT_TRUE(logged("is no photo of this application"));
}

// A photo folder that is a link leads into a folder of the user's: a file there is no photo, however it
// is named, and neither deleting its record nor deleting every photo of the kind removes it.
TEST_F(PhotosTest, APhotoFolderThatIsALinkIsNoPhotoFolder) {
    const std::string theirs = home() + "/Pictures";
    const std::string name = kNowName;
    ASSERT_TRUE(platform::Files::writeAtomically(theirs + "/" + name, platform::Data::fromString("1")));
    const std::string mugShots = FailedLoginHelper::ownFolderPath(FailedLoginHelper::kFailedLoginsFolder);
    ASSERT_FALSE(platform::Files::exists(mugShots));
    ASSERT_EQ(symlink(theirs.c_str(), mugShots.c_str()), 0);

    auto entry = FailedLoginEntry::init();
    entry->setDate(platform::Date::now());
    entry->setImagePath(mugShots + "/" + name);
    insertFirst(data()->arrayOfFailedLogins(), entry);
    EXPECT_FALSE(PhotoCollection::isOwnPhotoFile(*entry->imagePath()));
    EXPECT_TRUE(PhotoCollection::shownEntries(true, {entry}, true, {entry}, true, {entry}).empty());

    FailedLoginFactory::deleteBaseEntry(entry);
    EXPECT_TRUE(data()->arrayOfFailedLogins()->empty());  // the record goes all the same
    EXPECT_EQ(platform::Files::read(theirs + "/" + name), platform::Data::fromString("1"));
    FailedLoginFactory::deleteAllFaileLoginEntries();
    EXPECT_EQ(platform::Files::read(theirs + "/" + name), platform::Data::fromString("1"));
    EXPECT_TRUE(platform::Files::isDirectory(mugShots));  // the link itself is the user's too
    EXPECT_TRUE(logged("the photo folder " + mugShots + " is a link; it is left as it is"));
}

// Nor is a photo ever written through such a link: each kind's photo goes where it goes when its folder
// cannot be made, straight into the Documents folder, where it is shown, and deleted with its record or
// with all of its kind.
TEST_F(PhotosTest, PhotosOfAFolderThatIsALinkGoToTheDocumentsFolder) {
    const std::string documents = Utilities::documentsDirectory();
    const std::string theirs = home() + "/Pictures";
    ASSERT_TRUE(platform::Files::createDirectories(theirs));
    for (const char* folder : {FailedLoginHelper::kFailedLoginsFolder, FailedLoginHelper::kLoginsFolder,
                               FailedLoginHelper::kManualSnapshotsFolder}) {
        const std::string path = FailedLoginHelper::ownFolderPath(folder);
        ASSERT_FALSE(platform::Files::exists(path));
        ASSERT_EQ(symlink(theirs.c_str(), path.c_str()), 0);
    }
    // One photo of each kind, a second apart: their names in the one folder differ.
    FailedLoginFactory factory;
    factory.createAndSaveFailedLoginEventTakePhoto(true);
    advance(2);
    std::vector<bool> snapshotResults;
    factory.createAndSaveManualSnapshotWithCompletion([&](bool ok) { snapshotResults.push_back(ok); });
    advance(2);
    LoginTrackerFactory().insertEvent_forDate_trigger_takePhoto(2, platform::Date::now(), 2, true);
    advance(2);
    EXPECT_EQ(snapshotResults, std::vector<bool>{true});
    PhotoCollection::Entries records = {entryAt<FailedLoginEntry>(data()->arrayOfFailedLogins(), 0),
                                        entryAt<ManaulSnapshotEntry>(data()->arrayOfManualSnapshots(), 0),
                                        entryAt<LoginLogoutEntry>(data()->arrayOfLoginLogouts(), 0)};
    std::vector<std::string> photos;
    for (const auto& entry : records) {
        ASSERT_TRUE(entry && entry->imagePath());
        EXPECT_EQ(platform::Files::parentPath(*entry->imagePath()), documents);
        EXPECT_TRUE(platform::Files::isRegularFile(*entry->imagePath())) << *entry->imagePath();
        photos.push_back(*entry->imagePath());
    }
    EXPECT_EQ(std::set<std::string>(photos.begin(), photos.end()).size(), 3u);
    EXPECT_TRUE(platform::Files::listDirectory(theirs).empty());
    EXPECT_TRUE(logged("is a link; no photo is written through it, photos are kept in " + documents));
    EXPECT_EQ(PhotoCollection::shownEntries(true, {records[0]}, true, {records[2]}, true, {records[1]}),
              (PhotoCollection::Entries{records[0], records[2], records[1]}));

    // A path that still names the linked folder, made before it became one, is refused too.
    const std::string throughTheLink = FailedLoginHelper::ownFolderPath("MugShots") + "/" + kNowName;
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(throughTheLink, nullptr);
    advance(5);
    EXPECT_TRUE(platform::Files::listDirectory(theirs).empty());
    EXPECT_TRUE(logged("is a link or no folder; no photo is written through it"));

    // All of a kind takes its photos with it; the user's folder and the links stay.
    const std::string notes = documents + "/notes.txt";
    ASSERT_TRUE(platform::Files::writeAtomically(notes, platform::Data::fromString("mine")));
    FailedLoginFactory::deleteAllFaileLoginEntries();
    EXPECT_FALSE(platform::Files::exists(photos[0]));
    EXPECT_TRUE(platform::Files::exists(photos[1]) && platform::Files::exists(photos[2]));
    FailedLoginFactory::deleteAllSnapshotEntries();
    EXPECT_FALSE(platform::Files::exists(photos[1]));
    FailedLoginFactory::deleteAllLoginEntryImages();
    EXPECT_FALSE(platform::Files::exists(photos[2]));
    EXPECT_TRUE(data()->arrayOfFailedLogins()->empty());
    EXPECT_TRUE(data()->arrayOfManualSnapshots()->empty());
    EXPECT_EQ(platform::Files::read(notes), platform::Data::fromString("mine"));
    for (const char* folder : {"MugShots", "LoginImages", "ManualSnapshots"})
        EXPECT_TRUE(platform::Files::isDirectory(FailedLoginHelper::ownFolderPath(folder))) << folder;
}

// A photo after a login whose own folder cannot be made lands in the Documents folder. It is the
// application's photo all the same: shown with its record and deleted with it. Nothing else of the
// user's there is: a file named otherwise, a link or a folder named as a photo, a photo-named file in a
// folder below.
TEST_F(PhotosTest, APhotoInTheDocumentsFolderStandingInForItsOwnIsShownAndDeletedWithItsRecord) {
    const std::string documents = Utilities::documentsDirectory();
    ASSERT_TRUE(
        platform::Files::writeAtomically(FailedLoginHelper::ownFolderPath(FailedLoginHelper::kLoginsFolder),
                                         platform::Data::fromString("in the way")));
    LoginTrackerFactory history;
    history.insertEvent_forDate_trigger_takePhoto(2, platform::Date::now(), 2, true);
    advance(5);
    auto login = entryAt<LoginLogoutEntry>(data()->arrayOfLoginLogouts(), 0);
    ASSERT_TRUE(login && login->imagePath());
    ASSERT_EQ(*login->imagePath(), documents + "/" + kNowName);
    ASSERT_TRUE(platform::Files::isRegularFile(*login->imagePath()));
    EXPECT_EQ(PhotoCollection::shownEntries(false, {}, true, {login}, false, {}),
              PhotoCollection::Entries{login});

    const std::string theirs = home() + "/theirs.png";
    ASSERT_TRUE(platform::Files::writeAtomically(theirs, platform::Data::fromString("theirs")));
    const std::vector<std::string> notPhotos = {documents + "/notes.png",
                                                documents + "/2027-01-15 08:00:0x.png",
                                                documents + "/2027-01-15 08:00:01.png",  // a link
                                                documents + "/2027-01-15 08:00:02.png",  // a folder
                                                documents + "/Sub/2027-01-15 08:00:03.png"};
    ASSERT_TRUE(platform::Files::writeAtomically(notPhotos[0], platform::Data::fromString("1")));
    ASSERT_TRUE(platform::Files::writeAtomically(notPhotos[1], platform::Data::fromString("1")));
    ASSERT_EQ(symlink(theirs.c_str(), notPhotos[2].c_str()), 0);
    ASSERT_TRUE(platform::Files::createDirectories(notPhotos[3]));
    ASSERT_TRUE(platform::Files::writeAtomically(notPhotos[4], platform::Data::fromString("1")));
    PhotoCollection::Entries records;
    for (const auto& path : notPhotos) {
        auto entry = ManaulSnapshotEntry::init();
        entry->setImagePath(path);
        records.push_back(entry);
    }
    EXPECT_TRUE(PhotoCollection::entriesWithMugShots(records).empty());
    for (const auto& entry : records) FailedLoginFactory::deleteBaseEntry(entry);
    for (const auto& path : notPhotos) EXPECT_TRUE(platform::Files::exists(path)) << path;
    EXPECT_EQ(platform::Files::read(theirs), platform::Data::fromString("theirs"));

    FailedLoginFactory::deleteBaseEntry(login);
    EXPECT_FALSE(platform::Files::exists(documents + "/" + kNowName));
    EXPECT_EQ(data()->arrayOfLoginLogouts()->size(), 1u);  // a history entry stays without its photo
}

// Names of the Documents folder taken for a photo only when they name a moment that was, of a file of
// this account's with no other name: one that is also a name elsewhere is that other file as well.
TEST_F(PhotosTest, InTheDocumentsFolderOnlyASingleNamedFileOfARealMomentIsAPhoto) {
    const std::string documents = Utilities::documentsDirectory();
    const auto recordFor = [](const std::string& path) {
        auto entry = ManaulSnapshotEntry::init();
        entry->setImagePath(path);
        return std::shared_ptr<BaseEntry>(entry);
    };
    const std::vector<std::string> real = {"2028-02-29 23:59:59.png", "2027-12-31 00:00:00.png",
                                           "2000-02-29 12:30:45.png"};
    const std::vector<std::string> impossible = {
        "9999-99-99 99:99:99.png", "2027-02-29 08:00:00.png", "1900-02-29 08:00:00.png",
        "2027-04-31 08:00:00.png", "2027-00-10 08:00:00.png", "2027-13-10 08:00:00.png",
        "2027-01-00 08:00:00.png", "2027-01-32 08:00:00.png", "2027-01-15 24:00:00.png",
        "2027-01-15 08:60:00.png", "2027-01-15 08:00:60.png"};
    for (const auto& name : real) EXPECT_TRUE(FailedLoginHelper::isImageName(name)) << name;
    for (const auto& name : impossible) EXPECT_FALSE(FailedLoginHelper::isImageName(name)) << name;

    for (const auto& name : impossible)
        ASSERT_TRUE(
            platform::Files::writeAtomically(documents + "/" + name, platform::Data::fromString("1")));
    // A hard link to a file kept elsewhere, under a name of a real moment.
    const std::string kept = home() + "/kept.png", second = documents + "/2027-01-15 08:00:04.png";
    ASSERT_TRUE(platform::Files::writeAtomically(kept, platform::Data::fromString("kept")));
    ASSERT_EQ(link(kept.c_str(), second.c_str()), 0);
    PhotoCollection::Entries notPhotos;
    for (const auto& name : impossible) notPhotos.push_back(recordFor(documents + "/" + name));
    notPhotos.push_back(recordFor(second));
    EXPECT_TRUE(PhotoCollection::entriesWithMugShots(notPhotos).empty());
    for (const auto& entry : notPhotos) FailedLoginFactory::deleteBaseEntry(entry);
    for (const auto& entry : notPhotos) EXPECT_TRUE(platform::Files::exists(*entry->imagePath()));
    EXPECT_EQ(platform::Files::read(kept), platform::Data::fromString("kept"));

    // A photo of a real moment, alone of its kind, is shown and deleted; once the other name of the
    // hard-linked file is gone, that one is a photo again.
    PhotoCollection::Entries photos;
    for (const auto& name : real) {
        ASSERT_TRUE(
            platform::Files::writeAtomically(documents + "/" + name, platform::Data::fromString("1")));
        photos.push_back(recordFor(documents + "/" + name));
    }
    EXPECT_EQ(PhotoCollection::entriesWithMugShots(photos), photos);
    for (const auto& entry : photos) FailedLoginFactory::deleteBaseEntry(entry);
    for (const auto& entry : photos) EXPECT_FALSE(platform::Files::exists(*entry->imagePath()));
    ASSERT_TRUE(platform::Files::removeRegularFile(kept));
    EXPECT_TRUE(PhotoCollection::isOwnPhotoFile(second));
}

// A file of another account's is no photo of this one's, however it is named and wherever it lies.
TEST_F(PhotosTest, APhotoNamedFileOfAnotherAccountInTheDocumentsFolderIsNoPhoto) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another account";
    const std::string path = Utilities::documentsDirectory() + "/" + kNowName;
    ASSERT_TRUE(platform::Files::writeAtomically(path, platform::Data::fromString("theirs")));
    ASSERT_TRUE(PhotoCollection::isOwnPhotoFile(path));
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    auto entry = FailedLoginEntry::init();
    entry->setImagePath(path);
    insertFirst(data()->arrayOfFailedLogins(), entry);
    EXPECT_FALSE(PhotoCollection::isOwnPhotoFile(path));
    EXPECT_TRUE(PhotoCollection::entriesWithMugShots({entry}).empty());
    FailedLoginFactory::deleteBaseEntry(entry);
    FailedLoginFactory::deleteAllFaileLoginEntries();
    EXPECT_EQ(platform::Files::read(path), platform::Data::fromString("theirs"));
    EXPECT_TRUE(data()->arrayOfFailedLogins()->empty());
}

TEST_F(PhotosTest, RecordsRoundTripThroughTheArchiveNewestFirst) {
    FailedLoginFactory factory;
    factory.createAndSaveFailedLoginEventTakePhoto(false);
    advance(1);
    factory.createAndSaveFailedLoginEventTakePhoto(true);
    factory.createAndSaveManualSnapshotWithCompletion(nullptr);
    advance(5);
    DataManager::resetSharedForTesting();
    auto& failed = data()->arrayOfFailedLogins();
    ASSERT_EQ(failed->size(), 2u);
    auto newest = entryAt<FailedLoginEntry>(failed, 0), oldest = entryAt<FailedLoginEntry>(failed, 1);
    ASSERT_TRUE(newest && oldest);
    EXPECT_GT(newest->date()->timeIntervalSince1970(), oldest->date()->timeIntervalSince1970());
    EXPECT_TRUE(newest->mugShotImageExists());
    EXPECT_EQ(oldest->imagePath(), std::nullopt);
    auto snapshot = entryAt<ManaulSnapshotEntry>(data()->arrayOfManualSnapshots(), 0);
    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(snapshot->mugShotImageExists());
}

TEST_F(PhotosTest, PhotosInTheSameSecondShareAFile) {
    int answers = 0;
    const std::string path =
        FailedLoginHelper::newImageFilePathFailedLoginAttemptsForDate(platform::Date::now());
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(path, [&](bool ok) { answers += ok; });
    advance(0.4);
    EXPECT_EQ(FailedLoginHelper::newImageFilePathFailedLoginAttemptsForDate(platform::Date::now()), path);
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(path, [&](bool ok) { answers += ok; });
    advance(5);
    EXPECT_EQ(answers, 2);
    EXPECT_EQ(FailedLoginHelper::allImageFilenames().size(), 1u);
    EXPECT_EQ(FailedLoginHelper::stringForDateToMinutes(platform::Date::now()), "2027-01-15 08:00");
}

}  // namespace
