#pragma once

#include <functional>

#include "platform/system/Camera.h"

namespace kestrune {

// A camera frame of the given size; the index tells successive frames apart.
using GalleryPhotoSource = std::function<platform::VideoFrame(int width, int height, int index)>;

// Registers the pictures of the history window (with and without filters), a week's activity chart, the
// photo window with photos from the given camera and one selected, its notice, and each popover type,
// for `kestrune --snapshot`. The scenes keep their records in a folder of their own, never in the
// user's.
void registerHistoryAndPhotosGallery(GalleryPhotoSource photos);

}  // namespace kestrune
