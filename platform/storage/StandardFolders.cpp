#include "platform/storage/StandardFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {

namespace {

// The XDG rules: a variable that is unset, empty or not an absolute path is ignored.
std::string absoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return "";
    std::string path = value;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string fromEnvironmentOrHome(const char* name, const char* underHome) {
    std::string path = absoluteFromEnvironment(name);
    if (!path.empty()) return path;
    std::string base = StandardFolders::home();
    return (base == "/" ? std::string() : base) + "/" + underHome;
}

}  // namespace

std::string StandardFolders::home() {
    std::string path = absoluteFromEnvironment("HOME");
    if (!path.empty()) return path;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return "/tmp";
}

std::string StandardFolders::applicationSupport() {
    return fromEnvironmentOrHome("XDG_DATA_HOME", ".local/share");
}
std::string StandardFolders::library() {
    return fromEnvironmentOrHome("XDG_STATE_HOME", ".local/state");
}
std::string StandardFolders::caches() {
    return fromEnvironmentOrHome("XDG_CACHE_HOME", ".cache");
}
std::string StandardFolders::config() {
    return fromEnvironmentOrHome("XDG_CONFIG_HOME", ".config");
}
std::string StandardFolders::documents() {
    return fromEnvironmentOrHome("XDG_DOCUMENTS_DIR", "Documents");
}

std::string StandardFolders::temporary() {
    std::string path = absoluteFromEnvironment("TMPDIR");
    return path.empty() ? "/tmp" : path;
}

}  // namespace platform
