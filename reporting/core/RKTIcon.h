#pragma once

#include <memory>
#include <string>

#include "platform/base/Data.h"

namespace reporting {

// The application's icon as the onboarding form sends it: PNG bytes, their SHA-1 and the size in points.
class RKTIcon {
public:
    struct Size {
        double width = 0;
        double height = 0;
    };
    // An image of the application: the bytes of its file and its size in points.
    struct Image {
        platform::Data bytes;
        Size size;
    };

    static constexpr double kMaxSurfaceArea = 1048576.0;  // 1024 x 1024

    // None when the image yields no PNG (this system keeps application icons as PNG files; other
    // formats are not converted).
    static std::shared_ptr<RKTIcon> initWithImage(const Image& image);
    // Prerendered, hash computed.
    static std::shared_ptr<RKTIcon> initWithData_size(const platform::Data& data, Size size);
    static std::shared_ptr<RKTIcon> initWithData_size_prerendered(const platform::Data& data, Size size,
                                                                  bool prerendered);
    RKTIcon(platform::Data data, std::string dataHash, Size size,
            bool prerendered);  // initWithData:dataHash:...

    double surfaceArea() const { return size_.width * size_.height; }
    bool isWithinMaxSurfaceArea() const { return surfaceArea() <= kMaxSurfaceArea; }
    bool largerThanSize(double width, double height) const { return surfaceArea() > width * height; }

    bool prerendered() const { return prerendered_; }
    const platform::Data& data() const { return data_; }
    const std::string& dataHash() const { return dataHash_; }
    Size size() const { return size_; }

    // Whether the bytes start with the PNG signature.
    static bool isPNG(const platform::Data& data);

private:
    const bool prerendered_;
    const platform::Data data_;
    const std::string dataHash_;
    const Size size_;
};

}  // namespace reporting
