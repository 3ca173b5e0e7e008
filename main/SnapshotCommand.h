#pragma once

#include <optional>

namespace kestrune {

// `kestrune --snapshot DIR [NAME...]`: renders the registered scenes to DIR/NAME.png and exits without
// starting the rest of the application. Answers the exit status when the arguments ask for it, none
// otherwise.
std::optional<int> runSnapshotCommandIfAsked(int argc, char** argv);

}  // namespace kestrune
