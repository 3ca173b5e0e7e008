#pragma once

#include <string>

#include "app/shell/ShellServices.h"

namespace kestrune {

// Tells the application shell where a shared photo is saved, so that a click on the "saved"
// notification can show the file.
class MugShotGeneratorPathService : public MugShotPathService {
public:
    std::string mugShotFilePathInDocuments() override;
};

}  // namespace kestrune
