#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Facts about the running process. The argument list is the one the program was started with (the
// application's main loop records it); tests may set it.
class ProcessInfo {
public:
    static ProcessInfo& shared();

    std::vector<std::string> arguments() const;
    void setArguments(std::vector<std::string> arguments);
    std::optional<std::string> environmentValue(const std::string& name) const;
    std::map<std::string, std::string> environment() const;
    int processIdentifier() const;
    std::string processName() const;
    std::string hostName() const;
    // The running executable's path (from /proc/self/exe).
    std::string executablePath() const;
    // The account the process runs as: KESTRUNE_USER_NAME when the environment names the simulated
    // Mac's account (as KESTRUNE_COMPUTER_NAME names the Mac), else this machine's account.
    std::string userName() const;
    double systemUptime() const;

private:
    ProcessInfo() = default;
    std::vector<std::string> arguments_;
};

}  // namespace platform
