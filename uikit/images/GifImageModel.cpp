#include "uikit/images/GifImageModel.h"

#include "platform/base/Log.h"

namespace kestrune {

std::string numberedImageName(const std::string& name, int32_t number) {
    std::string digits = std::to_string(number);
    while (digits.size() < 4) digits = "0" + digits;
    return name + digits + ".png";
}

std::vector<std::shared_ptr<ui::Image>> loadNumberedImages(const std::string& name, int32_t first,
                                                           int32_t last) {
    std::vector<std::shared_ptr<ui::Image>> images;
    for (int64_t number = first; number <= last; ++number) {
        const std::string file = numberedImageName(name, static_cast<int32_t>(number));
        if (auto image = ui::Image::imageNamed(file))
            images.push_back(std::move(image));
        else
            platform::logf("Image sequence: %s is missing; it is left out", file.c_str());
    }
    return images;
}

void GifImageModel::setImageWithName_startingAtIndex_endingAtIndex(const std::string& name, int32_t first,
                                                                   int32_t last) {
    arrayOfImages_ = loadNumberedImages(name, first, last);
    curretNumberOfImages_ = static_cast<int32_t>(arrayOfImages_.size());
    currentImageIndex_ = 0;
}

std::shared_ptr<ui::Image> GifImageModel::getNextImage() {
    if (curretNumberOfImages_ <= 0) return nullptr;
    currentImageIndex_ = (currentImageIndex_ + 1) % curretNumberOfImages_;
    return arrayOfImages_[static_cast<size_t>(currentImageIndex_)];
}

std::shared_ptr<ui::Image> GifImageModel::getPreviousImage() {
    if (curretNumberOfImages_ <= 0) return nullptr;
    currentImageIndex_ = currentImageIndex_ == 0 ? curretNumberOfImages_ - 1 : currentImageIndex_ - 1;
    return arrayOfImages_[static_cast<size_t>(currentImageIndex_)];
}

}  // namespace kestrune
