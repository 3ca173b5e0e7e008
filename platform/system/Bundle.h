#pragma once

#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace platform {

// The application's bundle: its facts (Info.plist, an XML property list) and its resources (sounds,
// string tables, images, certificates). The bundle is the resources folder: KESTRUNE_BUNDLE_PATH when
// set, else the folder the build was configured with.
class Bundle {
public:
    static Bundle& main();

    const std::string& bundlePath() const { return path_; }
    std::string resourcePath() const { return path_; }
    std::string executablePath() const;
    const Value::Dictionary& infoDictionary() const { return info_; }
    Value objectForInfoDictionaryKey(const std::string& key) const;
    std::string bundleIdentifier() const;
    std::string shortVersionString() const;
    std::string bundleVersion() const;
    // The path of resource "<name>.<type>" (type may be empty) when the file exists.
    std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;

    // Tests: read the bundle again (after changing KESTRUNE_BUNDLE_PATH) or replace its facts.
    void reload();
    void setInfoDictionaryForTesting(Value::Dictionary info) { info_ = std::move(info); }

private:
    Bundle();
    std::string path_;
    Value::Dictionary info_;
};

}  // namespace platform
