#pragma once

#include <string>

#include "app/shell/ShellServices.h"

namespace kestrune {

// Tells the application shell where the share image saved last is, so that a click on the "saved"
// notification shows that very file.
class MugShotGeneratorPathService : public MugShotPathService {
public:
    std::string mugShotFilePathInDocuments() override;
};

}  // namespace kestrune
