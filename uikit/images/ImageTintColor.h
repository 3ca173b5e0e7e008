#pragma once

#include <memory>
#include <optional>

#include "platform/ui/Color.h"
#include "platform/ui/Image.h"

namespace kestrune {

namespace ui = platform::ui;

// A copy of the image, never the image itself. With a colour, the copy is painted in it: the colour is
// laid over the image's whole area with source-atop compositing, which keeps the image's shape and
// alpha and replaces its colours. No image answers none.
std::shared_ptr<ui::Image> imageTintedWithColor(const std::shared_ptr<ui::Image>& image,
                                                const std::optional<ui::Color>& color);

// The application's image of that name (the same as looking it up by name).
std::shared_ptr<ui::Image> imageNamedRetina(const std::string& name);

}  // namespace kestrune
