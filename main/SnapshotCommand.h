#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kestrune {

// `kestrune --snapshot DIR [NAME...]`: renders the registered scenes to DIR/NAME.png in virtual time and
// exits without starting the rest of the application, saying in one closing line how many scenes it drew
// and where. The application's log goes to standard error only when a scene could not be drawn (each
// file's path and every line as it comes with the log's debug switch on). Runs in the home of its own
// that the program's entry made (HomeOfItsOwn.h). Stopped by SIGINT, SIGTERM, SIGHUP or the closing of
// its output, it stops between two scenes, says so after the count of those drawn and answers the
// signal's status; its home removed as ever, the process then ends by the signal (StopSignals.h).
// Answers the exit status when the arguments ask for it, none otherwise.
std::optional<int> runSnapshotCommandIfAsked(int argc, char** argv);
// Registers every scene the command draws, on the simulated Mac the settings pages read (installed when
// the first of them is built).
void registerSnapshotScenes();
// That closing line.
std::string snapshotSummary(size_t scenes, size_t failures, const std::string& folder);
// The moment the pictures of a run at `now` are taken at: that day at 9:41 in local time. A clock that a
// picture shows (the drawn phone's status bar) reads the same on every run, and a date reads today's.
double snapshotMoment(double now);

// The interface of a running application: Cairo pixels and Pango text (from the drawing module, loaded
// when first needed) and the end-of-turn passes on the main run loop.
void installInterfaceBackend();

}  // namespace kestrune
