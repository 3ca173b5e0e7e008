#pragma once

namespace kestrune {

// How a run is stopped from outside, and how it then ends.
//
// SIGINT, SIGTERM and SIGHUP (platform::Application::terminationSignals(): those the process did not
// start with ignored) must not end the runs that play in a home of their own (a scenario, the pictures)
// before that home is removed or named. Blocked from before the home is made, they wait for a thread that
// takes them: the application's own in a scenario, which turns them into a quit on the main run loop; in
// the pictures, which never turn that loop, the thread started here, which keeps the signal as a request
// to stop that the drawing reads between scenes. Either way no work happens in a handler.
//
// Their output closed (a reader that went away, `| head`), those runs stop as if by a signal too: SIGPIPE
// is ignored, so that a write fails rather than ends the process, and a thread that watches the output
// turns its closing into the same stop, as SIGPIPE. A plain launch ignores SIGPIPE as well: its log's
// reader gone (`kestrune 2>&1 | grep`, then Ctrl-C), the log stops and the quit the signal asked for
// still runs whole.
//
// Once a run stopped by a signal has ended as it always does (closing lines, its home removed or kept,
// everything torn down), it ends by that signal, default action restored, so that its parent sees what
// stopped it: a shell loop around it stops as it would around any other program. SIGQUIT keeps its
// default throughout: a core dump is what it is for.
class StopSignals {
public:
    // At the very start of main, before anything changes a disposition: which of SIGINT, SIGTERM, SIGHUP
    // and SIGPIPE the process was started with ignored. The application leaves those of the first three
    // alone (platform::Application::terminationSignals(), read here), the programs it starts keep SIGINT
    // and SIGHUP so ignored (platform::Shell), and a run stopped as by SIGPIPE does not end by a signal
    // its parent ignored.
    static void noteStart();
    // SIGPIPE ignored: a write to a closed pipe fails (EPIPE) and the run decides what that stops.
    static void ignoreClosedPipes();
    // On the main thread, before any other thread is made (every thread made later inherits the block)
    // and before the run's home is made.
    static void block();
    // The pictures: starts the thread that takes the signals and the watch on the output, and keeps the
    // first stop (once per process).
    static void keepAsRequest();
    // A scenario: the output's closing becomes a quit of the application, as for SIGPIPE.
    static void quitApplicationWhenOutputCloses();
    // The first stop kept by keepAsRequest, 0 when none.
    static int received();
    // What a run stopped by the signal exits with when it cannot end by the signal itself, as the shell
    // reports a program the signal ended.
    static int exitStatus(int signal) { return 128 + signal; }
    // "SIGINT", "SIGTERM", "SIGHUP", "SIGPIPE", else "a signal".
    static const char* name(int signal);

    // The process, once it has exited as usual, ends by `signal` instead of its exit status (the first
    // signal asked for wins; 0 asks for nothing).
    static void endBySignalAtExit(int signal);
    // Ends the process now, by the signal asked for if any, else with `status`: for an end that skips the
    // teardown of exit. Flushes what the standard streams hold first.
    [[noreturn]] static void endNow(int status);
};

}  // namespace kestrune
