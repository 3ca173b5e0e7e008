#pragma once

namespace kestrune {

// SIGINT and SIGTERM in the runs that play in a home of their own (a scenario, the pictures): they must
// not end the process before that home is removed or named. Blocked from the start, they wait for a
// thread that takes them: the application's own in a scenario, which turns them into a quit on the main
// run loop; in the pictures, which never turn that loop, the thread started here, which keeps the signal
// as a request to stop that the drawing reads between scenes. Either way no work happens in a handler.
class StopSignals {
public:
    // On the main thread, before any other thread is made: every thread made later inherits the block.
    static void block();
    // Starts the thread that takes them and keeps the first (once per process).
    static void keepAsRequest();
    // The first signal kept, 0 when none.
    static int received();
    // What a run stopped by the signal exits with, as the shell reports a program the signal ended.
    static int exitStatus(int signal) { return 128 + signal; }
    // "SIGINT", "SIGTERM", else "a signal".
    static const char* name(int signal);
};

}  // namespace kestrune
