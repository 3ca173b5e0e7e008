#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/RunLoop.h"
#include "platform/ui/ImageView.h"

namespace kestrune {

namespace ui = platform::ui;

// Plays a numbered picture sequence by itself at 25 pictures a second. While it plays, its timer keeps
// it alive; stopping lets it go.
class GifImageView : public ui::ImageView {
public:
    static std::shared_ptr<GifImageView> create(ui::Rect frame = {}) { return ui::make<GifImageView>(frame); }

    // Loads the pictures as the sequence model does; the index goes back to 0.
    void setImageWithName_forSuffixStartingFrom_andEndingAt(const std::string& name, int32_t first,
                                                            int32_t last);
    // (Re)starts the 0.04 s ticks, which also run while a menu is open or the mouse is tracking.
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const;
    // A tick: the next picture is shown on the main queue, never inside the tick.
    void changeImageOnMainThread();
    void changeImage();
    // The next index, going round; unchanged while there are no pictures.
    int32_t getNextImageIndex();
    void loadImageView() {}

    int32_t currentImageIndex() const { return currentImageIndex_; }
    int32_t numberOfImages() const { return numberOfImages_; }
    const std::vector<std::shared_ptr<ui::Image>>& arrayOfImages() const { return arrayOfImages_; }

private:
    static constexpr double kFrameInterval = 0.04;
    int32_t currentImageIndex_ = 0;
    int32_t numberOfImages_ = 0;
    std::vector<std::shared_ptr<ui::Image>> arrayOfImages_;
    // The run loop owns the scheduled timer, and the timer this view.
    std::weak_ptr<platform::Timer> imageSwithchTimer_;
};

}  // namespace kestrune
