#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Image.h"

namespace kestrune {

namespace ui = platform::ui;

// The names of a numbered picture sequence: `name` followed by the number, zero-padded to at least four
// digits, and ".png" ("walk0001.png" ... for walk from 1).
std::string numberedImageName(const std::string& name, int32_t number);
// The pictures `first` to `last` (both included) that exist among the application's images, in order.
// A missing one is left out with a log line; it is never kept as an empty entry.
std::vector<std::shared_ptr<ui::Image>> loadNumberedImages(const std::string& name, int32_t first,
                                                           int32_t last);

// A numbered picture sequence stepped by hand.
class GifImageModel {
public:
    // Replaces the pictures with the sequence from `first` to `last`; the count is the number of pictures
    // found, and the index goes back to 0.
    void setImageWithName_startingAtIndex_endingAtIndex(const std::string& name, int32_t first, int32_t last);
    int32_t numberOfImages() const { return curretNumberOfImages_; }
    // The picture after (or before) the current one, going round; none, without moving, while the
    // sequence is empty.
    std::shared_ptr<ui::Image> getNextImage();
    std::shared_ptr<ui::Image> getPreviousImage();

    int32_t currentImageIndex() const { return currentImageIndex_; }
    const std::vector<std::shared_ptr<ui::Image>>& arrayOfImages() const { return arrayOfImages_; }

private:
    int32_t currentImageIndex_ = 0;
    int32_t curretNumberOfImages_ = 0;
    std::vector<std::shared_ptr<ui::Image>> arrayOfImages_;
};

}  // namespace kestrune
