#pragma once

#include <string>

namespace kestrune {

// The user's standard folders and the application's own folders in them ("Test" inside each on a clean
// run, so that a clean run never touches the files of a normal one).
class KestruneHomeFolders {
public:
    static std::string applicationSupportDirectory();
    static std::string applicationLibraryDirectory();
    // The application's library folder; not created here.
    static std::string applicationKestruneLibraryDirectory();
    // The data folder of the device data, created with its parents (owner only: it holds a password).
    static std::string applicationFilesDirectory();
};

}  // namespace kestrune
