#pragma once

#include <functional>
#include <string>

namespace platform {

// The context an application extension runs in, through which it asks its host application to open
// URLs. This system runs no application extensions: nothing here makes a context, and a process is
// always an application of its own. The interface lets code written for both kinds take one.
class ExtensionContext {
public:
    virtual ~ExtensionContext() = default;
    // The host opens the URL and answers, possibly later and on another thread, whether it did.
    virtual void openURL_completionHandler(const std::string& url, std::function<void(bool)> completion) = 0;
};

}  // namespace platform
