#pragma once

#include <mutex>
#include <optional>
#include <set>
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
    // The path of resource "<name>.<type>" (type may be empty) when the file exists. The bundle does not
    // change while the program runs: a file added after the first lookup is found after reload().
    std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;

    // The folder of the language the application shows its interface in ("<resources>/de.lproj"), which
    // is not always the process locale's; none for the development language's ("en.lproj"). The
    // application's interface-language service sets it whenever it attaches a language, so that code
    // below the interface (the reporting kit) reads its texts in that language too.
    static constexpr const char* kDevelopmentLocalization = "en";
    void setLocalizationFolder(const std::optional<std::string>& lprojPath);
    std::optional<std::string> localizationFolder() const;
    // The text of the key in the strings table "<table>.strings" of the language in use: the one in that
    // language's folder, else a table at the top of the bundle (one for every language). A table is a
    // strings file or a property-list dictionary; it is read at each call, as texts are asked for only
    // when something is about to be shown. None when no table has the key (a malformed table is logged).
    std::optional<std::string> localizedString(const std::string& key, const std::string& table) const;

    // Tests: read the bundle again (after changing KESTRUNE_BUNDLE_PATH) or replace its facts.
    void reload();
    void setInfoDictionaryForTesting(Value::Dictionary info) { info_ = std::move(info); }

private:
    Bundle();
    std::string path_;
    Value::Dictionary info_;
    // The folder of the bundle where a resource was last found: looked in first by the next lookup, as
    // resources of one kind come in runs (a page's pictures). A hint only: the search stays complete.
    mutable std::mutex hintMutex_;
    mutable std::string lastFolder_;
    // The names of the files at the top and one folder down, read at the first lookup: a name not among
    // them is answered at once (the pictures drawn by code when the bundle has none).
    mutable std::optional<std::set<std::string>> names_;
    mutable std::mutex localizationMutex_;
    std::optional<std::string> localizationFolder_;
};

}  // namespace platform
