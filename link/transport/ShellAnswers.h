#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kestrune {

// The Mac's shell and its password check, as the Bluetooth-cache repair needs them. The session layer
// answers them from its simulated Mac; nothing the repair asks is ever run on this host. Until a session
// installs its answers, the default answers every command with no output and refuses every password.
class ShellAnswers {
public:
    virtual ~ShellAnswers() = default;

    // Runs the command line with "/bin/sh" "-c", the input (when given) on its standard input, waits for
    // it and answers its standard output. Blocking: call it off the main thread.
    virtual std::string runShellCommand(const std::string& command,
                                        const std::optional<std::string>& input) = 0;
    // Whether the password logs in the user running the application.
    virtual bool checkIfPasswordValidForCurrentUser(const std::string& password) = 0;

    static std::shared_ptr<ShellAnswers> current();
    // Installs the answers (null restores the default).
    static void install(std::shared_ptr<ShellAnswers> answers);

    // The text in single quotes for the shell: every character stands for itself.
    static std::string shellQuoted(const std::string& text);
    // The text inside a double-quoted string of the scripting language: backslashes and quotes escaped.
    static std::string scriptStringEscaped(const std::string& text);
};

}  // namespace kestrune
