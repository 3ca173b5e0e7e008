#pragma once

#include "platform/base/Data.h"

namespace kestrune {

// Where the framing's chunks go: the phone connection's link and its two sending characteristics.
// The connection implements it over its peripheral; tests implement it in memory.
class FrameWriter {
public:
    virtual ~FrameWriter() = default;
    // The peripheral's link is connected.
    virtual bool isLinkConnected() = 0;
    // The channel's characteristic is known ("DA17" for the primary channel, "DA16" for the other).
    virtual bool hasSendingCharacteristic(bool primary) = 0;
    // Hands one chunk to the link: to "DA17" with response, or to "DA16" without.
    virtual void writeChunk(const platform::Data& chunk, bool primary) = 0;
};

}  // namespace kestrune
