#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

// Files that belong to the desktop system this application was made for ("/var/log/accountpolicy.log").
// On this machine an installed locator (the simulated session) says where each stands; a path no locator
// knows is used as it is.
class SystemFiles {
public:
    class Locator {
    public:
        virtual ~Locator() = default;
        virtual std::optional<std::string> locate(const std::string& systemPath) = 0;
    };

    static void installLocator(std::shared_ptr<Locator> locator);
    static std::string pathFor(const std::string& systemPath);
};

}  // namespace platform
