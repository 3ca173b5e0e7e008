#pragma once

#include <stdexcept>
#include <string>

namespace reporting {

// Raised when the host application configured the kit wrongly (a malformed Info.plist entry, a class
// that is no kit). It never leaves the kit: the kit's entry points catch it, log its reason and leave
// the kit idle.
class RKTException : public std::runtime_error {
public:
    static constexpr const char* kName = "RKTException";
    explicit RKTException(const std::string& reason) : std::runtime_error(reason) {}
    const char* name() const { return kName; }
    std::string reason() const { return what(); }
};

}  // namespace reporting
