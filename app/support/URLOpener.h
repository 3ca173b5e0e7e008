#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

// Opens an address in the user's browser or store application. There is no browser here: the default
// opener records each address and logs it, and the session layer may install one of its own.
class URLOpener {
public:
    virtual ~URLOpener() = default;
    virtual void openURL(const std::string& url) = 0;

    static std::shared_ptr<URLOpener> current();
    // Installs the opener (null restores the recording one).
    static void install(std::shared_ptr<URLOpener> opener);

    // The addresses the recording opener was asked to open, oldest first.
    static std::vector<std::string> recordedURLs();
    static void resetRecordedURLsForTesting();
};

}  // namespace kestrune
