// Interface texts: `localizable` is called for every text of every screen, from any thread, and must
// stay under 200 ns while the language can be switched at any moment; reading one key in every
// language (old tracker lines) must stay under 5 µs.

#include <benchmark/benchmark.h>

#include "app/support/Localizable.h"
#include "features/language/BundleLanguage.h"

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

}  // namespace

BENCHMARK_MAIN();
