#include "app/support/KestruneHomeFolders.h"

#include "app/shell/CustomRunArgs.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"

namespace kestrune {

namespace {
std::string applicationFolderIn(const std::string& base) {
    std::string folder = base + "/Kestrune";
    if (CustomRunArgs::isCleanRun()) folder += "/Test";
    return folder;
}
}  // namespace

std::string KestruneHomeFolders::applicationSupportDirectory() {
    return platform::StandardFolders::applicationSupport();
}

std::string KestruneHomeFolders::applicationLibraryDirectory() {
    return platform::StandardFolders::library();
}

std::string KestruneHomeFolders::applicationKestruneLibraryDirectory() {
    return applicationFolderIn(applicationLibraryDirectory());
}

std::string KestruneHomeFolders::applicationFilesDirectory() {
    std::string folder = applicationFolderIn(applicationSupportDirectory());
    platform::Files::createDirectories(folder, 0700);
    return folder;
}

}  // namespace kestrune
