#pragma once

#include <string>

namespace kestrune {

// The one command-line argument: "-clean-run" starts with a separate, emptied defaults suite and data
// folder.
class CustomRunArgs {
public:
    // Added by the relaunch to the arguments it passes on: a relaunched clean run keeps using the clean
    // folders and defaults but does not empty them again (they hold the date of that relaunch).
    static constexpr const char* kRelaunchedArgument = "-relaunched";

    static bool isCleanRun();
    // A clean run that is not the relaunch of one: its folders and defaults start empty.
    static bool shouldWipeCleanRunData();
    // True when some process argument (the program path included) equals the text exactly.
    static bool containsRunArgument(const std::string& argument);
};

}  // namespace kestrune
