#include "features/language/BundleEx.h"

#include <atomic>
#include <mutex>

#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/Bundle.h"

namespace kestrune {

namespace {
// The state is swapped whole; each thread keeps its own reference and refreshes it only when the
// generation moves on, so the hot path is one atomic read.
std::mutex gStateMutex;
std::shared_ptr<const void> gStateHolder;
std::atomic<uint64_t> gGeneration{1};

struct ThreadCopy {
    uint64_t generation = 0;
    std::shared_ptr<const void> state;
};
thread_local ThreadCopy tCopy;

std::optional<std::string> find(const std::shared_ptr<const platform::StringsTable::Map>& table,
                                const std::string& key) {
    if (!table) return std::nullopt;
    auto it = table->find(key);
    if (it == table->end()) return std::nullopt;
    return it->second;
}
}  // namespace

BundleEx& BundleEx::shared() {
    static platform::SharedInstance<BundleEx> instance;
    return instance.get([] { return new BundleEx; });
}

std::string BundleEx::tablePathForLanguage(const std::string& code, const std::string& table) {
    return platform::Bundle::main().resourcePath() + "/" + code + ".lproj/" + table + ".strings";
}

std::shared_ptr<const BundleEx::State> BundleEx::state() const {
    const uint64_t generation = gGeneration.load(std::memory_order_acquire);
    if (tCopy.generation != generation || !tCopy.state) {
        std::lock_guard lock(gStateMutex);
        if (!gStateHolder) {
            auto fresh = std::make_shared<State>();
            fresh->english = platform::StringsTable::tableAtPath(tablePathForLanguage(kDevelopmentLanguage));
            gStateHolder = fresh;
        }
        tCopy.state = gStateHolder;
        tCopy.generation = gGeneration.load(std::memory_order_relaxed);
    }
    return std::static_pointer_cast<const State>(tCopy.state);
}

void BundleEx::publish(std::shared_ptr<const State> state) {
    std::lock_guard lock(gStateMutex);
    gStateHolder = std::move(state);
    gGeneration.fetch_add(1, std::memory_order_release);
}

void BundleEx::attachLanguageBundle(const std::optional<std::string>& lprojPath) {
    auto next = std::make_shared<State>();
    next->english = platform::StringsTable::tableAtPath(tablePathForLanguage(kDevelopmentLanguage));
    if (lprojPath) {
        next->attachedPath = lprojPath;
        next->attached = platform::StringsTable::tableAtPath(*lprojPath + "/" + kTableName + ".strings");
    }
    // The main bundle answers its other tables (the reporting kit's) from the same folder: the kit reads
    // them in the interface's language without depending on the interface.
    platform::Bundle::main().setLocalizationFolder(lprojPath);
    publish(std::move(next));
}

std::optional<std::string> BundleEx::attachedLanguageBundlePath() const {
    return state()->attachedPath;
}

std::optional<std::string> BundleEx::textForKey(const std::string& key) const {
    auto current = state();
    if (auto text = find(current->attached, key)) return text;
    return find(current->english, key);
}

std::string BundleEx::localizedStringForKey_value_table(const std::string& key, const std::string& value,
                                                        const std::optional<std::string>& table) const {
    if (table && !table->empty() && *table != kTableName) {
        // Only the one table exists; another name is read from its file in the attached language.
        auto path = state()->attachedPath;
        auto other = platform::StringsTable::tableAtPath(
            path ? *path + "/" + *table + ".strings" : tablePathForLanguage(kDevelopmentLanguage, *table));
        if (auto text = find(other, key)) return *text;
        return value.empty() ? key : value;
    }
    if (auto text = textForKey(key)) return *text;
    return value.empty() ? key : value;
}

void BundleEx::resetForTesting() {
    // The main bundle's language goes with the attached table.
    platform::Bundle::main().setLocalizationFolder(std::nullopt);
    std::lock_guard lock(gStateMutex);
    gStateHolder.reset();
    gGeneration.fetch_add(1, std::memory_order_release);
}

}  // namespace kestrune
