#pragma once

#include <memory>
#include <string>

#include "platform/ui/Image.h"
#include "uikit/grid/CNGridViewItem.h"

namespace kestrune {

// A grid item showing a picture with a title along its bottom. It has no looks of its own until it is
// made with a layout or given them.
class CNGridImageViewItem : public CNGridViewItem {
public:
    // The inherited steps, then its own default content once more.
    void initProperties() override;
    // No picture and an empty title (and no looks).
    void initDefaultContent() override;
    void prepareForReuse() override;

    const std::shared_ptr<ui::Image>& itemImage() const { return itemImage_; }
    void setItemImage(std::shared_ptr<ui::Image> image);
    const std::string& itemTitle() const { return itemTitle_; }
    void setItemTitle(std::string title);

    // The item's look, then the picture at (3, 3, w - 6, h - 6) and the title at (3, h - 25, w - 6, 20).
    void drawRect(ui::Rect dirty) override;

private:
    std::shared_ptr<ui::Image> itemImage_;
    std::string itemTitle_;
};

}  // namespace kestrune
