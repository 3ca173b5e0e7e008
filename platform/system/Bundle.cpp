#include "platform/system/Bundle.h"

#include <cstdlib>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StringsTable.h"
#include "platform/system/ProcessInfo.h"

#ifndef KESTRUNE_RESOURCE_DIR
#define KESTRUNE_RESOURCE_DIR "resources"
#endif

namespace platform {

Bundle& Bundle::main() {
    static auto* bundle = new Bundle;
    return *bundle;
}

Bundle::Bundle() {
    reload();
}

void Bundle::reload() {
    const char* env = getenv("KESTRUNE_BUNDLE_PATH");
    path_ = (env && *env) ? env : KESTRUNE_RESOURCE_DIR;
    info_.clear();
    {
        std::lock_guard lock(hintMutex_);
        lastFolder_.clear();
        names_.reset();
    }
    auto bytes = Files::read(path_ + "/Info.plist");
    if (!bytes) {
        logf("Bundle: no Info.plist in %s", path_.c_str());
        return;
    }
    auto info = PropertyList::valueFromData(*bytes);
    if (!info || !info->dictionary()) {
        logf("Bundle: Info.plist in %s is not a dictionary", path_.c_str());
        return;
    }
    info_ = *info->dictionary();
}

std::string Bundle::executablePath() const {
    return ProcessInfo::shared().executablePath();
}

Value Bundle::objectForInfoDictionaryKey(const std::string& key) const {
    auto it = info_.find(key);
    return it == info_.end() ? Value() : it->second;
}

namespace {
std::string textOf(const Value& v) {
    return v.string() ? *v.string() : std::string();
}
}  // namespace

std::string Bundle::bundleIdentifier() const {
    return textOf(objectForInfoDictionaryKey("CFBundleIdentifier"));
}

std::string Bundle::shortVersionString() const {
    return textOf(objectForInfoDictionaryKey("CFBundleShortVersionString"));
}

std::string Bundle::bundleVersion() const {
    return textOf(objectForInfoDictionaryKey("CFBundleVersion"));
}

std::optional<std::string> Bundle::pathForResource(const std::string& name, const std::string& type) const {
    if (name.empty() || name.find("..") != std::string::npos) return std::nullopt;
    const std::string file = type.empty() ? name : name + "." + type;
    std::string hint;
    {
        std::lock_guard lock(hintMutex_);
        if (!names_) {
            names_.emplace();
            for (const auto& entry : Files::listDirectory(path_)) {
                names_->insert(entry);
                if (Files::isDirectory(path_ + "/" + entry))
                    for (const auto& inner : Files::listDirectory(path_ + "/" + entry)) names_->insert(inner);
            }
        }
        if (!names_->count(file)) return std::nullopt;
        hint = lastFolder_;
    }
    // Resources sit at the top of the bundle or one folder down (sounds/, images/, certificates/ ...).
    if (Files::exists(path_ + "/" + file) && !Files::isDirectory(path_ + "/" + file))
        return path_ + "/" + file;
    if (!hint.empty()) {
        std::string candidate = path_ + "/" + hint + "/" + file;
        if (Files::exists(candidate) && Files::isDirectory(path_ + "/" + hint)) return candidate;
    }
    // The candidate is looked for first: most entries do not hold it, and one that does is a folder.
    for (const auto& entry : Files::listDirectory(path_)) {
        if (entry == hint) continue;
        std::string candidate = path_ + "/" + entry + "/" + file;
        if (!Files::exists(candidate) || !Files::isDirectory(path_ + "/" + entry)) continue;
        // A language's folder is never the hint: which language a lookup finds must not depend on the
        // lookups before it.
        if (entry.size() < 6 || entry.compare(entry.size() - 6, 6, ".lproj") != 0) {
            std::lock_guard lock(hintMutex_);
            lastFolder_ = entry;
        }
        return candidate;
    }
    return std::nullopt;
}

void Bundle::setLocalizationFolder(const std::optional<std::string>& lprojPath) {
    std::lock_guard lock(localizationMutex_);
    localizationFolder_ = lprojPath;
}

std::optional<std::string> Bundle::localizationFolder() const {
    std::lock_guard lock(localizationMutex_);
    return localizationFolder_;
}

namespace {

// The table of the file: a strings file, or a property-list dictionary of texts. None, and a log line,
// when the file exists and is neither; none without a word when there is no file.
std::optional<StringsTable::Map> readStringsTable(const std::string& path) {
    const auto bytes = Files::read(path);
    if (!bytes) return std::nullopt;
    StringsTable::ParseError error{0, ""};
    if (auto table = StringsTable::parse(bytes->toString(), &error)) return table;
    if (const auto value = PropertyList::valueFromData(*bytes); value && value->dictionary()) {
        StringsTable::Map table;
        for (const auto& [key, text] : *value->dictionary())
            if (text.string()) table.emplace(key, *text.string());
        return table;
    }
    logf(
        "Bundle: the strings table %s is neither a strings file (line %zu: %s) nor a property-list "
        "dictionary; it is ignored",
        path.c_str(), error.line, error.reason.c_str());
    return std::nullopt;
}

}  // namespace

std::optional<std::string> Bundle::localizedString(const std::string& key, const std::string& table) const {
    if (table.empty() || table.find('/') != std::string::npos || table.find("..") != std::string::npos)
        return std::nullopt;
    const std::string file = table + ".strings";
    const std::string folder =
        localizationFolder().value_or(path_ + "/" + kDevelopmentLocalization + ".lproj");
    // The language's own table hides the one at the top whole: a key it lacks is the caller's fallback,
    // not a text of another language.
    for (const std::string& path : {folder + "/" + file, path_ + "/" + file}) {
        if (!Files::exists(path)) continue;
        const auto texts = readStringsTable(path);
        if (!texts) return std::nullopt;
        const auto found = texts->find(key);
        if (found == texts->end()) return std::nullopt;
        return found->second;
    }
    return std::nullopt;
}

}  // namespace platform
