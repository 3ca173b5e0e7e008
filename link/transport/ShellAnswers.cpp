#include "link/transport/ShellAnswers.h"

#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

class NoShellAnswers : public ShellAnswers {
public:
    std::string runShellCommand(const std::string& command, const std::optional<std::string>&) override {
        platform::logf("Shell command not run (no Mac session): %s", command.c_str());
        return "";
    }
    bool checkIfPasswordValidForCurrentUser(const std::string&) override { return false; }
};

}  // namespace

std::shared_ptr<ShellAnswers> ShellAnswers::current() {
    return platform::backendSlot<ShellAnswers>().getOr<NoShellAnswers>();
}

void ShellAnswers::install(std::shared_ptr<ShellAnswers> answers) {
    platform::backendSlot<ShellAnswers>().set(std::move(answers));
}

std::string ShellAnswers::shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ShellAnswers::scriptStringEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace kestrune
