#include "platform/base/Exception.h"

#include <execinfo.h>

namespace platform {

Exception::Exception(std::string name, std::string reason)
    : name_(std::move(name)), reason_(std::move(reason)) {
    void* frames[128];
    const int count = backtrace(frames, 128);
    // The first entry is this constructor itself.
    for (int i = 1; i < count; i++) returnAddresses_.push_back(reinterpret_cast<uintptr_t>(frames[i]));
}

}  // namespace platform
