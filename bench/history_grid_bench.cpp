// The history and photo windows' hot paths: the history filter over 500 history entries and 500 failed
// logins, and the activity chart's day table of 500 sessions, each under 2 ms; one scroll step of the
// grid view over 1,000 photos (items recycled and placed), under 50 µs.

#include <benchmark/benchmark.h>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "features/history/ActivityViewModelFactory.h"
#include "features/history/LoginLogoutFilter.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/ScrollView.h"
#include "uikit/grid/CNGridImageViewItem.h"
#include "uikit/grid/CNGridView.h"

using namespace kestrune;

namespace {

constexpr double kStart = 1772582400;  // 4 March 2026

// 500 history entries newest first: unlocks and locks taking turns every 40 minutes, a start now and
// then, so that about half the locks end a session.
std::vector<std::shared_ptr<LoginLogoutEntry>> history(size_t count) {
    std::vector<std::shared_ptr<LoginLogoutEntry>> entries;
    for (size_t i = count; i-- > 0;) {
        const uint32_t event =
            i % 25 == 0 ? LoginLogoutEntry::kEventStarted
                        : (i % 2 ? LoginLogoutEntry::kEventLocked : LoginLogoutEntry::kEventUnlocked);
        entries.push_back(LoginLogoutEntry::initWithEvent_date_reason(
            event, platform::Date::dateWithTimeIntervalSince1970(kStart + i * 2400.0), 3));
    }
    return entries;
}

std::vector<std::shared_ptr<FailedLoginEntry>> failures(size_t count) {
    std::vector<std::shared_ptr<FailedLoginEntry>> entries;
    for (size_t i = count; i-- > 0;) {
        auto entry = FailedLoginEntry::init();
        entry->setDate(platform::Date::dateWithTimeIntervalSince1970(kStart + i * 2377.0));
        entries.push_back(entry);
    }
    return entries;
}

class Photos : public CNGridViewDataSource {
public:
    int64_t gridView_numberOfItemsInSection(CNGridView&, int64_t) override { return 1000; }
    std::shared_ptr<CNGridViewItemBase> gridView_itemAtIndex_inSection(CNGridView& grid, int64_t index,
                                                                       int64_t) override {
        auto item = std::dynamic_pointer_cast<CNGridImageViewItem>(
            grid.dequeueReusableItemWithIdentifier(CNGridViewItemBase::kDefaultReuseIdentifier));
        if (!item)
            item = CNGridViewItem::initWithLayout_reuseIdentifier<CNGridImageViewItem>(
                layout, CNGridViewItemBase::kDefaultReuseIdentifier);
        item->setItemTitle("Photo " + std::to_string(index));
        return item;
    }
    std::shared_ptr<CNGridViewItemLayout> layout = CNGridViewItemLayout::defaultLayout();
};

}  // namespace

static void BM_HistoryFilter(benchmark::State& state) {
    const auto entries = history(500);
    const auto failed = failures(500);
    const LoginLogoutFilterModel everything;
    for (auto _ : state) {
        auto rows = LoginLogoutFilter::generateDatasourceFromEntries_failedLoginEntried_filterModel(
            entries, failed, everything);
        benchmark::DoNotOptimize(rows.size());
    }
}
BENCHMARK(BM_HistoryFilter)->Unit(benchmark::kMicrosecond);

static void BM_DayTable(benchmark::State& state) {
    // 500 sessions: the history of 1,000 alternating unlocks and locks.
    std::vector<std::shared_ptr<LoginLogoutEntry>> entries;
    for (size_t i = 1000; i-- > 0;)
        entries.push_back(LoginLogoutEntry::initWithEvent_date_reason(
            i % 2 ? LoginLogoutEntry::kEventLocked : LoginLogoutEntry::kEventUnlocked,
            platform::Date::dateWithTimeIntervalSince1970(kStart + i * 4000.0), 3));
    const auto sessions = LoginLogoutFilter::generateDatasourceFromEntries_failedLoginEntried_filterModel(
        entries, {}, *LoginLogoutFilterModel::sessionDurationFilter());
    if (sessions.size() != 500) state.SkipWithError("expected 500 sessions");
    for (auto _ : state) {
        auto days = ActivityViewModelFactory::dayModelsForList(sessions);
        benchmark::DoNotOptimize(days.size());
    }
}
BENCHMARK(BM_DayTable)->Unit(benchmark::kMicrosecond);

static void BM_GridScrollStep(benchmark::State& state) {
    platform::Clock::useVirtualTime();
    auto scroll = ui::ScrollView::create({0, 0, 660, 120});
    auto grid = CNGridView::create({0, 0, 660, 120});
    scroll->setDocumentView(grid);
    auto photos = std::make_shared<Photos>();
    grid->setDataSource(photos);
    grid->setItemSize({196.22641509433964, 120});
    grid->reloadData();
    platform::RunLoop::main().runUntilIdle();
    auto clip = scroll->contentView();
    const double end = grid->frame().width() - 660;
    // Each step is past a third of an item: items leave, are recycled and come back placed.
    double x = 0, step = 70;
    for (auto _ : state) {
        x += step;
        if (x > end || x < 0) step = -step, x += 2 * step;
        clip->setBoundsOrigin({x, 0});
    }
    benchmark::DoNotOptimize(grid->numberOfVisibleItems());
    platform::RunLoop::main().runUntilIdle();
}
BENCHMARK(BM_GridScrollStep)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
