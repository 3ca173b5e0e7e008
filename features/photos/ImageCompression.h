#pragma once

#include <memory>

#include "platform/ui/Image.h"

namespace kestrune {

// The image re-encoded as JPEG with the compression factor (0 to 1) and decoded again; none when it has
// no pixels or the codec fails.
std::shared_ptr<platform::ui::Image> imageCompressedByFactor(const platform::ui::Image& image, double factor);

}  // namespace kestrune
