#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace kestrune {

class CNGridView;
class CNGridViewItemBase;

// Indexes of a grid's items.
using CNIndexSet = std::set<int64_t>;

// What a grid view tells its delegate. Every operation is optional: the grid sends one only when
// `implements` answers true for it, each after the notification of the same event.
class CNGridViewDelegate {
public:
    enum class Op {
        DidFinishReloadingVisibleItems,
        WillHoverItem,
        WillUnhoverItem,
        WillSelectItem,
        DidSelectItem,
        WillDeselectItem,
        DidDeselectItem,
        WillDeselectAllItems,
        DidDeselectAllItems,
        DidClickItem,
        DidDoubleClickItem,
        DidActivateContextMenu,
    };

    virtual ~CNGridViewDelegate() = default;
    virtual bool implements(Op) const { return false; }

    virtual void gridViewDidFinishReloadingVisibleItems(CNGridView&) {}
    virtual void gridView_willHoverItemAtIndex_inSection(CNGridView&, int64_t /*index*/,
                                                         int64_t /*section*/) {}
    virtual void gridView_willUnhoverItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_willSelectItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_didSelectItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_willDeselectItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_didDeselectItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_willDeselectAllItems(
        CNGridView&, const std::vector<std::shared_ptr<CNGridViewItemBase>>& /*items*/) {}
    virtual void gridViewDidDeselectAllItems(CNGridView&) {}
    virtual void gridView_didClickItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_didDoubleClickItemAtIndex_inSection(CNGridView&, int64_t, int64_t) {}
    virtual void gridView_didActivateContextMenuWithIndexes_inSection(CNGridView&,
                                                                      const CNIndexSet& /*indexes*/,
                                                                      int64_t /*section*/) {}
};

}  // namespace kestrune
