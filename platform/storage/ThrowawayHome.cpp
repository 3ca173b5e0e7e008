#include "platform/storage/ThrowawayHome.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <utility>

#include "platform/storage/StandardFolders.h"

namespace platform {

namespace {

struct ThrowawayHomeState {
    std::mutex mutex;
    std::string home;
    bool kept = false;
};

// Never destroyed: the folder is removed at exit, after static destruction began.
ThrowawayHomeState& throwawayHomeState() {
    static auto* state = new ThrowawayHomeState;
    return *state;
}

// No log line here: at exit the log's sink may be gone, and a home that could not be removed is left
// in the temporary folder, which the system empties.
void removeThrowawayHomeUnlessKept() {
    auto& state = throwawayHomeState();
    std::string home;
    {
        std::lock_guard lock(state.mutex);
        if (state.kept || state.home.empty()) return;
        home = state.home;
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

}  // namespace

std::optional<std::string> ThrowawayHome::makeFolder(const std::string& parent, const std::string& prefix,
                                                     std::string* problem) {
    std::string pattern = parent + "/" + prefix + "-XXXXXX";
    // mkdtemp makes the folder 0700 whatever the mask says.
    if (!mkdtemp(pattern.data())) {
        if (problem) *problem = "cannot make a folder in " + parent + " (" + std::strerror(errno) + ")";
        return std::nullopt;
    }
    return pattern;
}

std::optional<std::string> ThrowawayHome::enter(const std::string& prefix, std::string* problem) {
    auto& state = throwawayHomeState();
    std::lock_guard lock(state.mutex);
    if (!state.home.empty()) return state.home;
    auto home = makeFolder(StandardFolders::temporary(), prefix, problem);
    if (!home) return std::nullopt;
    for (const auto& [variable, under] : {std::pair{"XDG_CONFIG_HOME", "/.config"},
                                          {"XDG_DATA_HOME", "/.local/share"},
                                          {"XDG_STATE_HOME", "/.local/state"},
                                          {"XDG_CACHE_HOME", "/.cache"},
                                          {"XDG_DOCUMENTS_DIR", "/Documents"},
                                          // Where the inter-process notifications meet: a scenario's
                                          // simulated Mac must not speak to the user's running copy.
                                          {"XDG_RUNTIME_DIR", "/.run"}})
        setenv(variable, (*home + under).c_str(), 1);
    setenv("HOME", home->c_str(), 1);
    state.home = *home;
    std::atexit(removeThrowawayHomeUnlessKept);
    return home;
}

std::string ThrowawayHome::current() {
    auto& state = throwawayHomeState();
    std::lock_guard lock(state.mutex);
    return state.home;
}

void ThrowawayHome::keep(bool kept) {
    auto& state = throwawayHomeState();
    std::lock_guard lock(state.mutex);
    state.kept = kept;
}

}  // namespace platform
