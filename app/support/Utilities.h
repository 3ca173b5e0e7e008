#pragma once

#include <string>
#include <vector>

namespace kestrune {

// Paths of the stored files and the photo folders, small file operations and the system-version texts.
// Folder paths are computed, and their folders created, at each call.
class Utilities {
public:
    // The file names of the two archives: the bundle identifier, and the reverse-domain prefix with
    // ".applicationdata".
    static constexpr const char* kDeviceDataFileName = "com.kestrune.Kestrune";
    static constexpr const char* kApplicationDataFileName = "com.kestrune.applicationdata";

    // The device-data file.
    static std::string applicationFilesDirectory();
    static std::string applicationKestruneLibraryDirectoryOrDocumentsFallback();
    static std::string applicationDataKestruneDirectory();
    // The application-data file.
    static std::string applicationDataKestruneDirectoryFilePath();
    // The photo folders, made when missing. One that is a link, or that cannot be made, gives the
    // Documents folder instead: no photo is ever written through a link.
    static std::string applicationDataKestruneLoginImagesDirectory();
    static std::string applicationDataKestruneFailedLoginImagesDirectory();
    static std::string applicationDataKestruneManualSnapshotsImagesDirectory();
    // The three photo folders inside the data folder (failed logins, logins, manual snapshots), not
    // created here: with the Documents folder standing in for them, the only places a record's photo
    // may be.
    static std::vector<std::string> photoFolderPaths();
    // Whether the path itself is a folder: a link is not, whatever it points to. A photo folder that is
    // a link leads into a folder of someone else's, where nothing may be removed.
    static bool isFolderItself(const std::string& path);
    static std::string documentsDirectory();
    static std::string kestruneDocumentsDirectory();

    // The folder when it exists or could be made (without parents), else the Documents folder.
    static std::string createDirectoryOrReturnDocuments(const std::string& path);
    // The folder exists or could be made (without parents).
    static bool createDirectoryIfItDoesntExist(const std::string& path);
    // Removes the file or folder when its folder allows it; true when it was removed.
    static bool removeFileAtPath(const std::string& path);
    // Removes the data folder and the library folder (their "Test" folders on a clean run).
    static void deleteAllKestruneFiles();
    static void openAndSelectFileAtPathInFinder(const std::string& path);

    // "major.minor.patch" of the running system.
    static std::string operatingSystemVersion();
    // The system's version text up to its build number ("Version 10.14.6 ", the blank kept).
    static std::string systemVersionOSX();
    // The same without "Version " ("10.14.6 ").
    static std::string systemVersionNumeric();
    // The hardware model identifier.
    static std::string machineModel();
};

}  // namespace kestrune
