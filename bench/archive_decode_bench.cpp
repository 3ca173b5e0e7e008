// Decoding binary property lists and keyed archives of 10^3 to 10^6 elements, and writing keyed archives
// of the same sizes. The time per element (items_per_second) must stay flat as the size grows: a decoder
// that finds list items by index walks the library's list from the start each time, and a writer that
// looks objects up in a table of fixed size slows with every object it adds; either way a large archive
// holds start-up or a save for minutes.

#include <benchmark/benchmark.h>

#include "platform/base/Value.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"
#include "platform/storage/PropertyList.h"

namespace {

platform::Value::Array texts(int64_t count) {
    platform::Value::Array items;
    items.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) items.emplace_back("entry " + std::to_string(i));
    return items;
}

void BM_KeyedArchiveDecode(benchmark::State& state) {
    auto data = platform::KeyedArchiver::archivedDataWithRootObject(platform::Value(texts(state.range(0))));
    if (!data) {
        state.SkipWithError("the archive could not be written");
        return;
    }
    for (auto _ : state) {
        platform::Error error;
        auto root = platform::KeyedUnarchiver::unarchiveObjectWithData(*data, &error);
        if (!root.array() || static_cast<int64_t>(root.array()->size()) != state.range(0))
            state.SkipWithError("the archive did not decode whole");
        benchmark::DoNotOptimize(root);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeyedArchiveDecode)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

// The writing side: every element is a text of its own, so each is looked up among the texts already
// written (they are written once) and then placed in the object table.
void BM_KeyedArchiveEncode(benchmark::State& state) {
    const platform::Value root(texts(state.range(0)));
    for (auto _ : state) {
        auto data = platform::KeyedArchiver::archivedDataWithRootObject(root);
        if (!data) state.SkipWithError("the archive could not be written");
        benchmark::DoNotOptimize(data);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_KeyedArchiveEncode)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

void decodePropertyList(benchmark::State& state, platform::PropertyList::Format format) {
    auto data = platform::PropertyList::dataFromValue(platform::Value(texts(state.range(0))), format);
    if (!data) {
        state.SkipWithError("the property list could not be written");
        return;
    }
    for (auto _ : state) {
        auto root = platform::PropertyList::valueFromData(*data);
        if (!root || !root->array() || static_cast<int64_t>(root->array()->size()) != state.range(0))
            state.SkipWithError("the property list did not decode whole");
        benchmark::DoNotOptimize(root);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BinaryPropertyListDecode(benchmark::State& state) {
    decodePropertyList(state, platform::PropertyList::Format::Binary);
}
BENCHMARK(BM_BinaryPropertyListDecode)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

// The defaults file is XML.
void BM_XMLPropertyListDecode(benchmark::State& state) {
    decodePropertyList(state, platform::PropertyList::Format::XML);
}
BENCHMARK(BM_XMLPropertyListDecode)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
