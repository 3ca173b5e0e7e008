#pragma once

#include <memory>

#include "app/records/FailedLoginEntry.h"
#include "platform/ui/ImageView.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

class MyListViewCell;

// Hears the two buttons of a photo row.
class MyListViewCellDelegate {
public:
    virtual ~MyListViewCellDelegate() = default;
    virtual void myListViewCellDidSelectDelete(MyListViewCell& cell) = 0;
    virtual void myListViewCellDidSelectShare(MyListViewCell& cell) = 0;
};

// A row of a list of failed-login photos: the photo, its date, and delete and share buttons.
class MyListViewCell : public KestruneListViewCell {
public:
    static constexpr const char* kReuseIdentifier = "MyListViewCell";
    static constexpr double kHeight = 70;

    // A new cell from its layout; none when the layout is missing.
    static std::shared_ptr<MyListViewCell> loadFromNib();
    // Shows the record's date as "yyyy-MM-dd HH:mm" and its photo.
    void setFailedLoginEntry(std::shared_ptr<FailedLoginEntry> entry);
    const std::shared_ptr<FailedLoginEntry>& failedLoginEntry() const { return failedLoginEntry_; }
    void prepareForReuse() override;
    void deleteToggled(ui::Control& sender);
    void shareToggled(ui::Control& sender);

    std::shared_ptr<MyListViewCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<MyListViewCellDelegate> delegate) { delegate_ = std::move(delegate); }

    // Outlet (the title is the base cell's).
    std::shared_ptr<ui::ImageView> imageView;

private:
    std::shared_ptr<FailedLoginEntry> failedLoginEntry_;
    std::weak_ptr<MyListViewCellDelegate> delegate_;
};

}  // namespace kestrune
