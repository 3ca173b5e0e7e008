#pragma once

#include <optional>

namespace kestrune {

// `kestrune --snapshot DIR [NAME...]`: renders the registered scenes to DIR/NAME.png and exits without
// starting the rest of the application. Answers the exit status when the arguments ask for it, none
// otherwise.
std::optional<int> runSnapshotCommandIfAsked(int argc, char** argv);

// The interface of a running application: Cairo pixels and Pango text (from the drawing module, loaded
// when first needed) and the end-of-turn passes on the main run loop.
void installInterfaceBackend();

}  // namespace kestrune
