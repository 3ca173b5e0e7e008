#pragma once

#include <memory>

#include "platform/ui/TextField.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A row of the history window: the kind's icon, what happened, when, and a small picture when a photo
// belongs to the row. The styler fills it; view models play no part.
class TrackEventCell : public KestruneListViewCell {
public:
    static constexpr const char* kReuseIdentifier = "TrackEventCell";
    static constexpr double kRowHeight = 55;

    // A new cell from its layout; none when the layout is missing.
    static std::shared_ptr<TrackEventCell> loadFromNib();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>&) override {}
    // Keeps the background the styler chose (a failed login has its own), where the settings cells
    // always show the shadow.
    void drawRect(ui::Rect dirty) override;

    // Outlet (title, icons and background are the base cell's).
    std::shared_ptr<ui::TextField> dateText;
};

}  // namespace kestrune
