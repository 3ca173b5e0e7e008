#pragma once

#include <optional>
#include <string>

namespace platform {

// A home of the process's own, for the runs that must leave the user's as it is (a scripted scenario,
// the interface pictures): one private folder in the temporary folder ($TMPDIR, else /tmp) with HOME and
// every XDG folder the program reads (settings, data, state, caches, documents, the run-time folder of
// the inter-process notifications) inside it. Entered before anything reads a folder, it is where the
// standard folders, the defaults, the records and the reporting kits all keep their files.
class ThrowawayHome {
public:
    // Makes "<temporary folder>/<prefix>-XXXXXX" (0700) and points HOME and the XDG variables into it.
    // Once per process: a later call answers the home already entered. The home is removed with
    // everything in it when the process exits, unless it is kept. None when it cannot be made, with the
    // reason in `problem`; then nothing changed and the caller must not go on as if it had.
    static std::optional<std::string> enter(const std::string& prefix, std::string* problem = nullptr);
    // The home entered, empty before.
    static std::string current();
    // The home outlives the process: what the run printed points at files in it. Not kept (false): it
    // goes at exit after all, as when nothing the run printed could reach anyone.
    static void keep(bool kept = true);

    // The one rule for a throwaway folder: "<parent>/<prefix>-XXXXXX", made private (0700) and unique.
    // None when it cannot be made, with the reason in `problem`.
    static std::optional<std::string> makeFolder(const std::string& parent, const std::string& prefix,
                                                 std::string* problem = nullptr);
};

}  // namespace platform
