#pragma once

namespace kestrune {

// The three standard streams as the program was started with them. A launcher may close one (`>&-`,
// `2>&-`, a service manager): the next files the program opens would then take descriptors 1 and 2, and
// what it means for the terminal (the log, a scenario's timeline) would land in them, in the crash kit's
// own log or the analytics kit's records among others.
class StandardStreams {
public:
    // At the very start of main, before anything opens a file: each of descriptors 0, 1 and 2 that is not
    // open gets /dev/null (0 for reading, 1 and 2 for writing), so what is written there is dropped and no
    // file of the program's own ever stands in for it.
    static void openTheClosedOnNull();
    // The descriptor writes to the null device: it was closed at start, or sent there (`>/dev/null`).
    // What is written there reaches no one, though every write succeeds.
    static bool goesNowhere(int descriptor);
};

}  // namespace kestrune
