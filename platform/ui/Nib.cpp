#include "platform/ui/Nib.h"

#include <map>
#include <optional>

#include "platform/base/Log.h"

namespace platform::ui {

namespace {
std::map<std::string, NibBuilder>& nibRegistry() {
    static std::map<std::string, NibBuilder> builders;
    return builders;
}
std::optional<std::map<std::string, NibBuilder>>& baseline() {
    static std::optional<std::map<std::string, NibBuilder>> snapshot;
    return snapshot;
}
}  // namespace

void NibRegistry::add(const std::string& name, NibBuilder builder) {
    if (builder) nibRegistry()[name] = std::move(builder);
}

bool NibRegistry::has(const std::string& name) {
    return nibRegistry().count(name) > 0;
}

std::vector<std::string> NibRegistry::names() {
    std::vector<std::string> out;
    for (const auto& [name, builder] : nibRegistry()) out.push_back(name);
    return out;
}

void NibRegistry::reset() {
    // The first reset happens after every static registration: what is there then is the program's own.
    if (!baseline())
        baseline() = nibRegistry();
    else
        nibRegistry() = *baseline();
}

std::vector<std::shared_ptr<UIObject>> Nib::load(const std::string& name,
                                                 const std::shared_ptr<UIObject>& owner) {
    auto it = nibRegistry().find(name);
    if (it == nibRegistry().end()) {
        platform::logf("Nib: no interface layout named %s", name.c_str());
        return {};
    }
    const NibBuilder builder = it->second;  // a builder may register or load other layouts
    NibLoader loader(name, owner);
    builder(loader);
    for (const auto& object : loader.objects()) object->awakeFromNib();
    return loader.topLevelObjects();
}

}  // namespace platform::ui
