#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Shell.h"

namespace platform {

// Runs the commands the application hands to the system's tools (display sleep, the lid, the
// screensaver, defaults, scripting, restart). The runner itself is real: programs start with
// posix_spawn, shell commands as "/bin/sh -c". The tools the commands name belong to the desktop this
// application was made for; an installed responder (the simulated session) answers the commands it
// knows instead, so that they never run here.
class SystemCommands {
public:
    class Responder {
    public:
        virtual ~Responder() = default;
        // The result of the command when this responder stands for the tool; none lets it run.
        virtual std::optional<Shell::Result> respond(const std::string& path,
                                                     const std::vector<std::string>& arguments,
                                                     const std::string& input) = 0;
    };

    static void installResponder(std::shared_ptr<Responder> responder);

    // Blocking: the output is read to its end. Call it off the main thread where it may take long.
    static Shell::Result run(const std::string& path, const std::vector<std::string>& arguments,
                             const std::string& input = {});
    // "/bin/sh" with "-c" and the command.
    static Shell::Result runShellCommand(const std::string& command, const std::string& input = {});
    // The installed responder's answer, never a run: for commands that must not touch this host (those
    // that delete the desktop's system files with administrator rights). None when nobody answers.
    static std::optional<Shell::Result> answerShellCommand(const std::string& command,
                                                           const std::string& input = {});
};

}  // namespace platform
