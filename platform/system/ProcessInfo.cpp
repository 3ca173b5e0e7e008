#include "platform/system/ProcessInfo.h"

#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/base/SharedInstance.h"

extern char** environ;

namespace platform {

namespace {
std::mutex gArgumentsMutex;
}

ProcessInfo& ProcessInfo::shared() {
    static SharedInstance<ProcessInfo> instance;
    return instance.get([] { return new ProcessInfo; });
}

std::vector<std::string> ProcessInfo::arguments() const {
    std::lock_guard lock(gArgumentsMutex);
    return arguments_;
}

void ProcessInfo::setArguments(std::vector<std::string> arguments) {
    std::lock_guard lock(gArgumentsMutex);
    arguments_ = std::move(arguments);
}

std::optional<std::string> ProcessInfo::environmentValue(const std::string& name) const {
    const char* value = getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

std::map<std::string, std::string> ProcessInfo::environment() const {
    std::map<std::string, std::string> out;
    for (char** e = environ; e && *e; ++e) {
        std::string entry(*e);
        auto eq = entry.find('=');
        if (eq != std::string::npos) out[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    return out;
}

int ProcessInfo::processIdentifier() const {
    return static_cast<int>(getpid());
}

std::string ProcessInfo::processName() const {
    std::string path = executablePath();
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ProcessInfo::hostName() const {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
}

std::string ProcessInfo::executablePath() const {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<size_t>(n));
}

std::string ProcessInfo::userName() const {
    if (const char* simulated = getenv("KESTRUNE_USER_NAME"); simulated && *simulated) return simulated;
    struct passwd entry {};
    struct passwd* result = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &result) == 0 && result) return result->pw_name;
    const char* user = getenv("USER");
    return user ? user : "";
}

double ProcessInfo::systemUptime() const {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace platform
