#pragma once

// A grid view of 100 x 120 items in a 400-point scroll view of a key window, fed by a data source that
// recycles image items, with every notification and delegate call of the grid in one journal.

#include <memory>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/ScrollView.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/grid/CNGridImageViewItem.h"
#include "uikit/grid/CNGridView.h"

namespace kestrune::gridtest {

// Writes "call <operation> <index>" for every delegate call, "items n" for a reload.
class Feed : public CNGridViewDataSource, public CNGridViewDelegate {
public:
    int64_t count = 10;
    int made = 0;
    std::vector<int64_t> asked;
    std::vector<std::string>* journal = nullptr;
    bool answersDelegate = true;

    bool implements(CNGridViewDelegate::Op) const override { return answersDelegate; }
    int64_t gridView_numberOfItemsInSection(CNGridView&, int64_t) override { return count; }
    std::shared_ptr<CNGridViewItemBase> gridView_itemAtIndex_inSection(CNGridView& grid, int64_t index,
                                                                       int64_t) override {
        asked.push_back(index);
        auto item = grid.dequeueReusableItemWithIdentifier(CNGridViewItemBase::kDefaultReuseIdentifier);
        if (!item) {
            ++made;
            item = CNGridImageViewItem::initWithLayout_reuseIdentifier<CNGridImageViewItem>(
                CNGridViewItemLayout::defaultLayout(), CNGridViewItemBase::kDefaultReuseIdentifier);
        }
        return item;
    }
    void write(const std::string& what, int64_t index) {
        if (journal) journal->push_back("call " + what + " " + std::to_string(index));
    }
    void gridViewDidFinishReloadingVisibleItems(CNGridView&) override {
        if (journal) journal->push_back("call finished");
    }
    void gridView_willHoverItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("willHover", i);
    }
    void gridView_willUnhoverItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("willUnhover", i);
    }
    void gridView_willSelectItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("willSelect", i);
    }
    void gridView_didSelectItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("didSelect", i);
    }
    void gridView_willDeselectItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("willDeselect", i);
    }
    void gridView_didDeselectItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("didDeselect", i);
    }
    void gridView_willDeselectAllItems(
        CNGridView&, const std::vector<std::shared_ptr<CNGridViewItemBase>>& items) override {
        write("willDeselectAll", static_cast<int64_t>(items.size()));
    }
    void gridViewDidDeselectAllItems(CNGridView&) override {
        if (journal) journal->push_back("call didDeselectAll");
    }
    void gridView_didClickItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("click", i);
    }
    void gridView_didDoubleClickItemAtIndex_inSection(CNGridView&, int64_t i, int64_t) override {
        write("doubleClick", i);
    }
    void gridView_didActivateContextMenuWithIndexes_inSection(CNGridView&, const CNIndexSet& indexes,
                                                              int64_t) override {
        std::string text;
        for (auto i : indexes) text += (text.empty() ? "" : ",") + std::to_string(i);
        if (journal) journal->push_back("call menu " + text);
    }
};

class GridTest : public ui::test::Fixture {
protected:
    static constexpr double kW = 100, kH = 120;

    void SetUp() override {
        Fixture::SetUp();
        win = window({100, 100, 400, 200});
        scroll = ui::ScrollView::create({0, 0, 400, 130});
        win->contentView()->addSubview(scroll);
        grid = CNGridView::create({0, 0, 400, 130});
        scroll->setDocumentView(grid);
        feed = std::make_shared<Feed>();
        feed->journal = &journal;
        grid->setDataSource(feed);
        grid->setDelegate(feed);
        grid->setItemSize({kW, kH});
        // Every notification of this grid, in the journal with its index or item count.
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            "", static_cast<const ui::View*>(grid.get()), [this](const platform::Notification& n) {
                if (n.name.rfind("CNGridView", 0) != 0) return;
                std::string line = "note " + n.name;
                if (auto* index = n.userInfo[CNGridView::kItemIndexKey].number())
                    line += " " + std::to_string(index->unsignedLongLongValue());
                if (auto* items = n.userInfo[CNGridView::kSelectedItemsKey].array())
                    line += " " + std::to_string(items->size());
                if (auto* indexes = n.userInfo[CNGridView::kItemsIndexSetKey].array())
                    for (const auto& i : *indexes)
                        line += " " + std::to_string(i.number()->unsignedLongLongValue());
                journal.push_back(line);
            });
        settle();
    }

    void reload() {
        grid->reloadData();
        settle();
        journal.clear();
    }
    std::shared_ptr<CNGridViewItemBase> item(int64_t index) const {
        auto it = grid->keyedVisibleItems().find(index);
        return it == grid->keyedVisibleItems().end() ? nullptr : it->second;
    }
    std::vector<int64_t> visible() const {
        std::vector<int64_t> indexes;
        for (const auto& [index, item] : grid->keyedVisibleItems()) indexes.push_back(index);
        return indexes;
    }
    // Where an item's middle is, in the grid's own space.
    ui::Point middleOf(int64_t index) const { return {index * kW + kW / 2 + grid->contentInset(), kH / 2}; }
    void send(ui::EventType type, ui::Point p, uint64_t flags = 0) {
        win->sendEvent(ui::Event::mouseEvent(type, grid->convertPoint_toView(p, nullptr), win, 1, flags));
    }
    // Straight to the grid's own handler, as a gesture that began elsewhere would arrive.
    void deliver(ui::EventType type, ui::Point p, uint64_t flags = 0) {
        const auto event = ui::Event::mouseEvent(type, grid->convertPoint_toView(p, nullptr), win, 1, flags);
        switch (type) {
            case ui::EventType::LeftMouseDown:
                grid->mouseDown(event);
                break;
            case ui::EventType::LeftMouseDragged:
                grid->mouseDragged(event);
                break;
            case ui::EventType::LeftMouseUp:
                grid->mouseUp(event);
                break;
            case ui::EventType::RightMouseDown:
                grid->rightMouseDown(event);
                break;
            default:
                break;
        }
    }
    void scrollTo(double x) {
        scroll->contentView()->setBoundsOrigin({x, 0});
        settle();
    }

    std::shared_ptr<ui::Window> win;
    std::shared_ptr<ui::ScrollView> scroll;
    std::shared_ptr<CNGridView> grid;
    std::shared_ptr<Feed> feed;
    std::vector<std::string> journal;
    platform::NotificationCenter::Observation observation;
};

}  // namespace kestrune::gridtest
