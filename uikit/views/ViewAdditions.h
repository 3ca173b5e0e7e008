#pragma once

#include <memory>

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The dimmed and normal look of a view. Appearance only: events still reach a dimmed view.
void setViewDisabled(ui::View& view);
void setViewEnabled(ui::View& view);

// Makes the view layer-backed (re-installing its layer, so one is made when it has none) and cuts its
// drawing at its bounds, or stops cutting it.
void setClipsToBounds(ui::View& view, bool clips);

// Puts a picture stretched over the view's bounds below all its subviews and draws it at once. Each call
// adds another picture; none follows later size changes.
void setBackgroundImage(ui::View& view, const std::shared_ptr<ui::Image>& image);

// The view's bounds moved by half its height up or down, or half its width left or right: where a page
// slides from or to.
ui::Rect frameUp(const ui::View& view);
ui::Rect frameDown(const ui::View& view);
ui::Rect frameLeft(const ui::View& view);
ui::Rect frameRight(const ui::View& view);

// The slide of a page for an animation direction (1 from above, 2 from below, 3 from the right, 4 from
// the left; any other value slides up): where the incoming page starts, and where the outgoing one ends.
ui::Rect incomingFrameForAnimationDirection(const ui::View& view, long direction);
ui::Rect outgoingFrameForAnimationDirection(const ui::View& view, long direction);

}  // namespace kestrune
