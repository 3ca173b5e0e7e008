#include "windows/sharing/MugShotGeneratorPathService.h"

#include "windows/sharing/MugShotGenerator.h"

namespace kestrune {

std::string MugShotGeneratorPathService::mugShotFilePathInDocuments() {
    return MugShotGenerator::lastSavedMugShotPath();
}

}  // namespace kestrune
