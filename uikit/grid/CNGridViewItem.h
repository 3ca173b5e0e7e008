#pragma once

#include <memory>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "uikit/grid/CNGridViewItemBase.h"
#include "uikit/grid/CNGridViewItemLayout.h"

namespace kestrune {

// A grid item drawn in one of its looks: the default one, or the selection one while selected (the
// hover look is kept for the owner). It may show a delete button in its top-left corner.
class CNGridViewItem : public CNGridViewItemBase {
public:
    // An item of the class T whose three looks are all the given layout, joining the given reuse set.
    template <typename T = CNGridViewItem>
    static std::shared_ptr<T> initWithLayout_reuseIdentifier(
        const std::shared_ptr<CNGridViewItemLayout>& layout, const std::string& reuseIdentifier) {
        auto item = ui::make<T>();
        item->adoptLayout(layout, reuseIdentifier);
        return item;
    }

    // The base steps, then the default content.
    void initProperties() override;
    // Three fresh default layouts (the default one current) and `useLayout`.
    virtual void initDefaultContent();

    void setSelected(bool selected) override;
    const std::shared_ptr<CNGridViewItemLayout>& defaultLayout() const { return defaultLayout_; }
    void setDefaultLayout(std::shared_ptr<CNGridViewItemLayout> layout);
    const std::shared_ptr<CNGridViewItemLayout>& hoverLayout() const { return hoverLayout_; }
    void setHoverLayout(std::shared_ptr<CNGridViewItemLayout> layout) { hoverLayout_ = std::move(layout); }
    const std::shared_ptr<CNGridViewItemLayout>& selectionLayout() const { return selectionLayout_; }
    void setSelectionLayout(std::shared_ptr<CNGridViewItemLayout> layout) {
        selectionLayout_ = std::move(layout);
    }
    const std::shared_ptr<CNGridViewItemLayout>& currentLayout() const { return currentLayout_; }
    bool useLayout() const { return useLayout_; }
    void setUseLayout(bool flag) { useLayout_ = flag; }

    void clearHovering() { setHovered(false); }
    void clearSelection() { setSelected(false); }

    // A small round close button at (-8, -8); its action is `closeButtonPressed`.
    void addDeleteButton();
    void removeDeleteButton();
    // Nothing here: a subclass that shows the delete button says what it does.
    virtual void closeButtonPressed() {}

    bool isFlipped() const override { return true; }
    bool wantsDefaultClipping() const override { return false; }
    void drawRect(ui::Rect dirty) override;

    // Stored for subclasses.
    std::shared_ptr<ui::ImageView> itemImageView;
    const std::shared_ptr<ui::Button>& deleteButton() const { return deleteButton_; }

protected:
    void adoptLayout(const std::shared_ptr<CNGridViewItemLayout>& layout, const std::string& reuseIdentifier);

private:
    std::shared_ptr<CNGridViewItemLayout> defaultLayout_;
    std::shared_ptr<CNGridViewItemLayout> hoverLayout_;
    std::shared_ptr<CNGridViewItemLayout> selectionLayout_;
    std::shared_ptr<CNGridViewItemLayout> currentLayout_;
    bool useLayout_ = false;
    std::shared_ptr<ui::Button> deleteButton_;
};

}  // namespace kestrune
