#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace platform {

// The platform's exception object: a name, a reason and the return addresses of the stack where it was
// created (raising it is throwing it). What reaches the top level is handed to the application object's
// reportException.
class Exception : public std::exception {
public:
    Exception(std::string name, std::string reason);

    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }
    // Innermost first, starting at the caller of the constructor.
    const std::vector<uintptr_t>& callStackReturnAddresses() const { return returnAddresses_; }
    const char* what() const noexcept override { return reason_.c_str(); }

private:
    std::string name_;
    std::string reason_;
    std::vector<uintptr_t> returnAddresses_;
};

}  // namespace platform
