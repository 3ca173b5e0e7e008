#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace platform {
class Application;
}

namespace reporting {

// The host application's identity as its information dictionary tells it, and whether it is an
// extension.
class USKApplication {
public:
    static std::shared_ptr<USKApplication> hostApplication();
    explicit USKApplication(platform::Value::Dictionary infoPlistDict);  // initWithInfoPlistDictionary:

    std::optional<std::string> bundleIdentifier() const;
    std::optional<std::string> bundleVersion() const;
    std::optional<std::string> shortVersionString() const;
    std::optional<platform::Value::Dictionary> extensionDefinitionDictionary() const;
    std::optional<std::string> extensionPointIdentifier() const;
    bool isExtension() const;
    // The shared application object; none for an extension, which has no application of its own.
    platform::Application* appSharedInstance() const;
    const platform::Value::Dictionary& infoPlistDict() const { return infoPlistDict_; }

private:
    std::optional<std::string> stringForKey(const std::string& key) const;
    platform::Value::Dictionary infoPlistDict_;
};

}  // namespace reporting
