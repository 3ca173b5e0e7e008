#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

// What a page's scripts post to the application by name ("window.webkit.messageHandlers.<name>").
class ScriptMessageHandler {
public:
    virtual ~ScriptMessageHandler() = default;
    virtual void didReceiveScriptMessage(const std::string& name, const Value& body) = 0;
};

// A script that web views made with the configuration run in each page.
struct UserScript {
    enum class InjectionTime { AtDocumentStart, AtDocumentEnd };
    std::string source;
    InjectionTime injectionTime = InjectionTime::AtDocumentEnd;
    bool forMainFrameOnly = true;
};

// The scripts and message handlers shared by the web views of one configuration. This system embeds no
// web engine: the controller keeps what was given to it, and a page's post reaches the named handler
// through postMessage, which an engine (or a test) calls.
class UserContentController {
public:
    void addScriptMessageHandler(const std::shared_ptr<ScriptMessageHandler>& handler,
                                 const std::string& name);
    void addUserScript(UserScript script);
    std::vector<UserScript> userScripts() const;
    bool hasScriptMessageHandler(const std::string& name) const;
    // Delivers the body to the handler of that name; false when there is none.
    bool postMessage(const std::string& name, const Value& body) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::weak_ptr<ScriptMessageHandler>> handlers_;
    std::vector<UserScript> scripts_;
};

// The settings a web view is made with; only its content controller matters here.
struct WebViewConfiguration {
    std::shared_ptr<UserContentController> userContentController = std::make_shared<UserContentController>();
    std::string description() const;
};

}  // namespace platform
