#pragma once

#include <signal.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Running other programs with posix_spawn. Arguments always travel as a list: nothing is ever pasted
// into a shell command line, so a path with quotes or dollars in it stays one argument.
class Shell {
public:
    struct Result {
        bool launched = false;  // false: the program could not be started at all
        int exitStatus = -1;    // the exit code, or 128 + signal number
        std::string output;     // standard output
        std::string errorOutput;
    };

    // Runs the program, waits for it and collects its output. Blocking: call it off the main thread.
    static Result run(const std::string& path, const std::vector<std::string>& arguments,
                      const std::string& input = {});
    // Starts the program and does not wait for it; it may outlive this process.
    static bool launchDetached(const std::string& path, const std::vector<std::string>& arguments);

    // The stop signals the process was started with ignored (a script's background job ignores SIGINT,
    // nohup SIGHUP): the programs it starts keep SIGINT and SIGHUP ignored too, as whoever started the
    // process meant for all it runs. Set once at the process's start; none until then.
    static void setSignalsIgnoredAtStart(const sigset_t& signals);

    // Tests: while set, launchDetached hands the launch to the interceptor instead of starting anything.
    using Interceptor =
        std::function<bool(const std::string& path, const std::vector<std::string>& arguments)>;
    static void setLaunchInterceptor(Interceptor interceptor);
};

}  // namespace platform
