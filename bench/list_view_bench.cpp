// The settings list with 500 rows of mixed heights drawn by the settings cells (recording backend, no
// pixels): one scroll step, which queues the cells that left and fills the ones that came in, should
// stay under 50 µs; a reload of the whole list under 2 ms.

#include <benchmark/benchmark.h>

#include "menubar/cells/CollapseCell.h"
#include "menubar/cells/SimpleListCell.h"
#include "menubar/cells/TitleDescriptionCell.h"
#include "menubar/lists/CollapseCellVM.h"
#include "menubar/lists/ListViewModelMapper.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"

using namespace kestrune;

namespace {

struct Fixture {
    std::shared_ptr<KestruneListView> list;
    std::shared_ptr<ListViewModelMapper> mapper;

    Fixture() {
        platform::Clock::useVirtualTime();
        list = KestruneListView::create({0, 0, 400, 600});
        list->awakeFromNib();
        mapper = ListViewModelMapper::initWithListView(list);
        std::vector<std::shared_ptr<ListCellViewModel>> rows;
        for (int i = 0; i < 500; ++i) {
            std::shared_ptr<ListCellViewModel> vm;
            switch (i % 3) {
                case 0:
                    vm = ListCellViewModel::init();  // the simple cell, 45 points
                    break;
                case 1:
                    vm = ListCellViewModel::init();
                    vm->setViewClass(&TitleDescriptionCell::cellClass());  // 75 points
                    vm->setDescriptionText("A description under the title");
                    break;
                default: {
                    auto collapse = CollapseCellVM::init();
                    collapse->setViewClass(&CollapseCell::cellClass());
                    collapse->setIsCollapsed(i % 2 == 0);  // 45 or 85 points
                    vm = collapse;
                }
            }
            vm->setTitle("Row " + std::to_string(i));
            rows.push_back(vm);
        }
        mapper->setListViewModel(rows);
        list->reloadData();
    }
};

}  // namespace

static void BM_ScrollStep(benchmark::State& state) {
    Fixture f;
    auto clip = f.list->contentView();
    const double end = f.list->totalHeight() - 600;
    double y = 0, step = 17;
    // Scroll once over the whole list first, so that the queue holds the cells a step needs.
    for (double at = 0; at < end; at += 300) clip->scrollToPoint({0, at});
    clip->scrollToPoint({0, 0});
    for (auto _ : state) {
        y += step;
        if (y > end || y < 0) step = -step, y += 2 * step;
        clip->scrollToPoint({0, y});
    }
    benchmark::DoNotOptimize(f.list->visibleCells().size());
}
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMicrosecond);

static void BM_Reload(benchmark::State& state) {
    Fixture f;
    f.list->contentView()->scrollToPoint({0, 9000});
    for (auto _ : state) f.list->reloadData();
    benchmark::DoNotOptimize(f.list->visibleCells().size());
    platform::RunLoop::main().runUntilIdle();
}
BENCHMARK(BM_Reload)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
