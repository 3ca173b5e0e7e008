#pragma once

#include <memory>
#include <optional>

#include "uikit/splitwindow/MovableSplitView.h"

namespace kestrune {

// The source-list window's split view: its divider takes a colour of its own.
class WAYSourceListSplitView : public MovableSplitView {
public:
    static std::shared_ptr<WAYSourceListSplitView> create(ui::Rect frame = {}) {
        return ui::make<WAYSourceListSplitView>(frame);
    }
    const std::optional<ui::Color>& customDividerColor() const { return customDividerColor_; }
    void setCustomDividerColor(std::optional<ui::Color> color);

private:
    std::optional<ui::Color> customDividerColor_;
};

}  // namespace kestrune
