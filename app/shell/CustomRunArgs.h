#pragma once

#include <string>

namespace kestrune {

// The one command-line argument: "-clean-run" starts with a separate, emptied defaults suite and data
// folder.
class CustomRunArgs {
public:
    static bool isCleanRun();
    // True when some process argument (the program path included) equals the text exactly.
    static bool containsRunArgument(const std::string& argument);
};

}  // namespace kestrune
