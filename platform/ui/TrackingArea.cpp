#include "platform/ui/TrackingArea.h"

#include "platform/ui/Responder.h"

namespace platform::ui {

std::shared_ptr<TrackingArea> TrackingArea::create(Rect rect, unsigned options,
                                                   std::weak_ptr<Responder> owner, platform::Value userInfo) {
    auto area = std::make_shared<TrackingArea>();
    area->rect_ = rect;
    area->options_ = options;
    area->owner_ = std::move(owner);
    area->userInfo_ = std::move(userInfo);
    area->inside_ = (options & kTrackingAssumeInside) != 0;
    return area;
}

}  // namespace platform::ui
