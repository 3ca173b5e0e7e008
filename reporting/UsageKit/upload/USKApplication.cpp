#include "reporting/UsageKit/upload/USKApplication.h"

#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "reporting/UsageKit/USKLogger.h"

namespace reporting {

std::shared_ptr<USKApplication> USKApplication::hostApplication() {
    return std::make_shared<USKApplication>(platform::Bundle::main().infoDictionary());
}

USKApplication::USKApplication(platform::Value::Dictionary infoPlistDict)
    : infoPlistDict_(std::move(infoPlistDict)) {}

std::optional<std::string> USKApplication::stringForKey(const std::string& key) const {
    auto it = infoPlistDict_.find(key);
    if (it == infoPlistDict_.end() || !it->second.string()) return std::nullopt;
    return *it->second.string();
}

std::optional<std::string> USKApplication::bundleIdentifier() const {
    return stringForKey("CFBundleIdentifier");
}
std::optional<std::string> USKApplication::bundleVersion() const {
    return stringForKey("CFBundleVersion");
}
std::optional<std::string> USKApplication::shortVersionString() const {
    return stringForKey("CFBundleShortVersionString");
}

std::optional<platform::Value::Dictionary> USKApplication::extensionDefinitionDictionary() const {
    auto it = infoPlistDict_.find("NSExtension");
    if (it == infoPlistDict_.end() || it->second.isNull()) return std::nullopt;
    if (!it->second.dictionary()) {
        USKSystemLog("Error: NSExtension Info.plist entry is mal-formed %s\n",
                     it->second.description().c_str());
        return std::nullopt;
    }
    return *it->second.dictionary();
}

std::optional<std::string> USKApplication::extensionPointIdentifier() const {
    auto definition = extensionDefinitionDictionary();
    if (!definition) return std::nullopt;
    auto it = definition->find("NSExtensionPointIdentifier");
    if (it == definition->end() || !it->second.string()) {
        USKSystemLog("Error: NSExtensionPointIdentifier Info.plist entry is mal-formed\n");
        return std::nullopt;
    }
    return *it->second.string();
}

bool USKApplication::isExtension() const {
    return extensionPointIdentifier().has_value();
}

platform::Application* USKApplication::appSharedInstance() const {
    if (isExtension()) return nullptr;
    return &platform::Application::shared();
}

}  // namespace reporting
