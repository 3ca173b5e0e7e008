#include "app/support/Utilities.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/support/KestruneHomeFolders.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/SystemVersion.h"
#include "platform/system/Workspace.h"

namespace kestrune {

std::string Utilities::applicationFilesDirectory() {
    return KestruneHomeFolders::applicationFilesDirectory() + "/" + kDeviceDataFileName;
}

std::string Utilities::applicationKestruneLibraryDirectoryOrDocumentsFallback() {
    std::string folder = KestruneHomeFolders::applicationKestruneLibraryDirectory();
    // The desktop's library folder always exists; its XDG stand-in (and on a clean run the application
    // folder holding "Test") may not yet, which would send every application file to Documents.
    platform::Files::createDirectories(platform::Files::parentPath(folder), 0700);
    return createDirectoryOrReturnDocuments(folder);
}

std::string Utilities::applicationDataKestruneDirectory() {
    return createDirectoryOrReturnDocuments(applicationKestruneLibraryDirectoryOrDocumentsFallback() +
                                            "/ApplicationData");
}

std::string Utilities::applicationDataKestruneDirectoryFilePath() {
    return applicationDataKestruneDirectory() + "/" + kApplicationDataFileName;
}

namespace {
// A photo folder that is a link leads into a folder that is not the application's: a photo written
// through it would never be shown, deleted or swept, as all of those refuse a link. Photos then go where
// they go when their folder cannot be made: straight into the Documents folder, where each is shown and
// deleted with its record.
std::string photoFolderOrDocuments(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return Utilities::createDirectoryOrReturnDocuments(path);
    std::string documents = Utilities::documentsDirectory();
    platform::logf(
        "The photo folder %s is a link; no photo is written through it, photos are kept in %s instead",
        path.c_str(), documents.c_str());
    platform::Files::createDirectories(documents);
    return documents;
}
}  // namespace

std::string Utilities::applicationDataKestruneLoginImagesDirectory() {
    return photoFolderOrDocuments(applicationDataKestruneDirectory() + "/LoginImages");
}

std::string Utilities::applicationDataKestruneFailedLoginImagesDirectory() {
    return photoFolderOrDocuments(applicationDataKestruneDirectory() + "/MugShots");
}

std::string Utilities::applicationDataKestruneManualSnapshotsImagesDirectory() {
    return photoFolderOrDocuments(applicationDataKestruneDirectory() + "/ManualSnapshots");
}

std::vector<std::string> Utilities::photoFolderPaths() {
    const std::string data = applicationDataKestruneDirectory();
    return {data + "/MugShots", data + "/LoginImages", data + "/ManualSnapshots"};
}

bool Utilities::isFolderItself(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Utilities::documentsDirectory() {
    return platform::StandardFolders::documents();
}

std::string Utilities::kestruneDocumentsDirectory() {
    // The XDG documents folder need not exist yet; the desktop's always does.
    platform::Files::createDirectories(documentsDirectory());
    return createDirectoryOrReturnDocuments(documentsDirectory() + "/Kestrune");
}

namespace {
// Makes the folder (without parents); false with the reason when it neither exists nor could be made.
bool makeFolder(const std::string& path, int& error) {
    if (platform::Files::isDirectory(path)) return true;
    // Everything kept under these folders is the user's own: history, photos of whoever sat down.
    if (mkdir(path.c_str(), 0700) == 0) return true;
    error = errno;
    return error == EEXIST && platform::Files::isDirectory(path);
}
}  // namespace

std::string Utilities::createDirectoryOrReturnDocuments(const std::string& path) {
    int error = 0;
    if (makeFolder(path, error)) return path;
    // The fallback must be usable: the XDG documents folder need not exist yet.
    std::string documents = documentsDirectory();
    platform::Files::reportUnwritableFolder(path, error,
                                            "the history and photos are kept in " + documents + " instead");
    platform::Files::createDirectories(documents);
    return documents;
}

bool Utilities::createDirectoryIfItDoesntExist(const std::string& path) {
    int error = 0;
    if (makeFolder(path, error)) return true;
    platform::Files::reportUnwritableFolder(path, error);
    return false;
}

bool Utilities::removeFileAtPath(const std::string& path) {
    if (!platform::Files::exists(path)) return false;
    std::string parent = platform::Files::parentPath(path);
    if (access(parent.empty() ? "." : parent.c_str(), W_OK) != 0) return false;
    return platform::Files::remove(path);
}

void Utilities::deleteAllKestruneFiles() {
    removeFileAtPath(KestruneHomeFolders::applicationFilesDirectory());
    removeFileAtPath(KestruneHomeFolders::applicationKestruneLibraryDirectory());
}

void Utilities::openAndSelectFileAtPathInFinder(const std::string& path) {
    platform::Workspace::shared().activateFileViewerSelectingFiles({path});
}

std::string Utilities::operatingSystemVersion() {
    auto parts = platform::SystemVersion::currentParts();
    return platform::format("%ld.%ld.%ld", static_cast<long>(parts.major), static_cast<long>(parts.minor),
                            static_cast<long>(parts.patch));
}

std::string Utilities::systemVersionOSX() {
    std::string text = "Version " + platform::SystemVersion::current() + " (Build " +
                       platform::SystemVersion::buildVersion() + ")";
    return text.substr(0, text.find('('));
}

std::string Utilities::systemVersionNumeric() {
    return platform::replaceAll(systemVersionOSX(), "Version ", "");
}

std::string Utilities::machineModel() {
    std::string model = platform::Host::machineModel();
    return model.empty() ? "Just an Apple Computer" : model;
}

}  // namespace kestrune
