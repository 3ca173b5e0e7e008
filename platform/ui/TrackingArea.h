#pragma once

#include <memory>

#include "platform/base/Value.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

class Responder;

// Tracking options (bits).
enum : unsigned {
    kTrackingMouseEnteredAndExited = 0x01,
    kTrackingMouseMoved = 0x02,
    kTrackingCursorUpdate = 0x04,
    kTrackingActiveWhenFirstResponder = 0x10,
    kTrackingActiveInKeyWindow = 0x20,
    kTrackingActiveInActiveApp = 0x40,
    kTrackingActiveAlways = 0x80,
    kTrackingAssumeInside = 0x100,
    kTrackingInVisibleRect = 0x200,
    kTrackingEnabledDuringMouseDrag = 0x400,
};

// A region of a view that reports the pointer entering, moving in and leaving it to its owner.
class TrackingArea : public UIObject {
public:
    static std::shared_ptr<TrackingArea> create(Rect rect, unsigned options, std::weak_ptr<Responder> owner,
                                                platform::Value userInfo = {});

    Rect rect() const { return rect_; }
    unsigned options() const { return options_; }
    std::shared_ptr<Responder> owner() const { return owner_.lock(); }
    const platform::Value& userInfo() const { return userInfo_; }

    // Whether the pointer was inside at the last move (assume-inside starts inside).
    bool isInside() const { return inside_; }
    void setInside(bool inside) { inside_ = inside; }

private:
    Rect rect_;
    unsigned options_ = 0;
    std::weak_ptr<Responder> owner_;
    platform::Value userInfo_;
    bool inside_ = false;
};

// What a drag over a destination view carries.
enum : unsigned {
    kDragOperationNone = 0,
    kDragOperationCopy = 1,
    kDragOperationLink = 2,
    kDragOperationGeneric = 4,
    kDragOperationPrivate = 8,
    kDragOperationMove = 16,
    kDragOperationDelete = 32,
    kDragOperationEvery = ~0u,
};

struct DraggingInfo {
    Point draggingLocation;  // window space
    std::vector<std::string> types;
    unsigned sourceOperationMask = kDragOperationEvery;
    std::weak_ptr<UIObject> draggingSource;
    platform::Value payload;
};

}  // namespace platform::ui
