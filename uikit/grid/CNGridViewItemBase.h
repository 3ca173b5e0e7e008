#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The base of every item of a grid view: where it sits, which reuse set it joins, and whether it is
// selected or under the pointer. Every item follows the grids' select-all and deselect-all
// announcements, whichever grid posts them.
class CNGridViewItemBase : public ui::View {
public:
    // No index: the platform's not-found marker.
    static constexpr int64_t kNotFound = std::numeric_limits<int64_t>::max();
    static constexpr const char* kDefaultReuseIdentifier = "CNGridViewItem";
    static constexpr const char* kSelectAllItemsNotification = "CNGridViewSelectAllItems";
    static constexpr const char* kDeSelectAllItemsNotification = "CNGridViewDeSelectAllItems";

    static ui::Size defaultItemSize() { return {310, 225}; }

    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;
    // The reuse identifier, no index, and the two announcements followed.
    virtual void initProperties();
    // Back to a fresh item: no index, not selected, selectable, not under the pointer.
    virtual void prepareForReuse();
    void selectAll(const platform::Notification& notification);
    void deSelectAll(const platform::Notification& notification);
    // An item may be recycled unless it is selected.
    bool isReuseable() const { return !selected_; }

    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    void setReuseIdentifier(std::string identifier) { reuseIdentifier_ = std::move(identifier); }
    int64_t index() const { return index_; }
    void setIndex(int64_t index) { index_ = index; }
    // Free for the owner; not kept alive by the item.
    std::shared_ptr<platform::Object> representedObject() const { return representedObject_.lock(); }
    void setRepresentedObject(std::weak_ptr<platform::Object> object) {
        representedObject_ = std::move(object);
    }
    bool selected() const { return selected_; }
    virtual void setSelected(bool selected) { selected_ = selected; }
    // Kept for the owner; the grid does not read it.
    bool selectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    bool hovered() const { return hovered_; }
    virtual void setHovered(bool hovered) { hovered_ = hovered; }

private:
    std::string reuseIdentifier_ = kDefaultReuseIdentifier;
    int64_t index_ = kNotFound;
    std::weak_ptr<platform::Object> representedObject_;
    bool selected_ = false;
    bool selectable_ = true;
    bool hovered_ = false;
    // End with the item.
    platform::NotificationCenter::Observation selectAllObservation_;
    platform::NotificationCenter::Observation deSelectAllObservation_;
};

}  // namespace kestrune
