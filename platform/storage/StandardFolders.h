#pragma once

#include <string>

namespace platform {

// Where the stored data lives, on the XDG layout. Each call reads the environment afresh, so a test that
// points HOME or an XDG variable elsewhere is followed at once. Paths carry no trailing slash and the
// folders are not created here.
class StandardFolders {
public:
    // $HOME, else the account's home from the password database.
    static std::string home();
    // Application Support: $XDG_DATA_HOME, else ~/.local/share.
    static std::string applicationSupport();
    // Library: $XDG_STATE_HOME, else ~/.local/state.
    static std::string library();
    // Caches: $XDG_CACHE_HOME, else ~/.cache.
    static std::string caches();
    // Preferences: $XDG_CONFIG_HOME, else ~/.config.
    static std::string config();
    // Documents: $XDG_DOCUMENTS_DIR, else ~/Documents.
    static std::string documents();
    // $TMPDIR, else /tmp.
    static std::string temporary();
};

}  // namespace platform
