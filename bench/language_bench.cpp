// Interface texts: `localizable` is called for every text of every screen, from any thread, and must
// stay under 200 ns while the language can be switched at any moment; reading one key in every
// language (old tracker lines) must stay under 5 µs. The preferred languages are read at the start:
// a LANGUAGE of 20,000 tags, half of them repeats, must take milliseconds, not seconds.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "app/support/Localizable.h"
#include "features/language/BundleLanguage.h"
#include "platform/system/PreferredLanguages.h"

namespace {

void BM_Localizable(benchmark::State& state) {
    static const bool ready = [] {
        kestrune::setLocalizableLanguage("fr");  // a language of its own, with English behind it
        return true;
    }();
    (void)ready;
    if (kestrune::localizable("mac_locked") != "Mac verrouill\xC3\xA9")
        state.SkipWithError("the French table is not read");
    for (auto _ : state) benchmark::DoNotOptimize(kestrune::localizable("mac_locked"));
}
BENCHMARK(BM_Localizable)->ThreadRange(1, 4)->UseRealTime();

void BM_LocalizableMissingKey(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(kestrune::localizable("no_such_key_anywhere"));
}
BENCHMARK(BM_LocalizableMissingKey);

void BM_AllTranslationsForKey(benchmark::State& state) {
    if (kestrune::allTranlationsForLocalizableKey("lang").size() != kestrune::supprotedLanguages().size())
        state.SkipWithError("not every language table was read");
    for (auto _ : state) benchmark::DoNotOptimize(kestrune::allTranlationsForLocalizableKey("mac_unlocked"));
}
BENCHMARK(BM_AllTranslationsForKey)->ThreadRange(1, 4)->UseRealTime();

// The environment as the run found it, put back when the benchmark ends.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

void BM_PreferredLanguagesLongList(benchmark::State& state) {
    constexpr int kTags = 20000;
    std::string list;
    for (int i = 0; i < kTags; ++i) list.append("x").append(std::to_string(i % (kTags / 2))).append("_YY:");
    platform::PreferredLanguages::setForTesting(std::nullopt);
    ScopedVariable all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", "fr_FR.UTF-8");
    ScopedVariable language("LANGUAGE", list.c_str());
    if (platform::PreferredLanguages::current().size() != kTags / 2 + 1)
        state.SkipWithError("the repeated tags were not dropped");
    for (auto _ : state) benchmark::DoNotOptimize(platform::PreferredLanguages::current());
}
BENCHMARK(BM_PreferredLanguagesLongList)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
