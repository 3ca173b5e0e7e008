#include "platform/system/Bundle.h"

#include <cstdlib>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
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

}  // namespace platform
