#include "reporting/core/RKTIcon.h"

#include <cstring>

#include "platform/base/Log.h"
#include "reporting/core/RKTByteUtility.h"

namespace reporting {

namespace {
constexpr unsigned char kPNGSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}  // namespace

bool RKTIcon::isPNG(const platform::Data& data) {
    return data.size() >= sizeof(kPNGSignature) &&
           std::memcmp(data.bytes(), kPNGSignature, sizeof(kPNGSignature)) == 0;
}

std::shared_ptr<RKTIcon> RKTIcon::initWithImage(const Image& image) {
    if (!isPNG(image.bytes)) {
        if (!image.bytes.empty())
            platform::logf("[ReportKit] the application icon is no PNG image; it is not sent");
        return nullptr;
    }
    return initWithData_size(image.bytes, image.size);
}

std::shared_ptr<RKTIcon> RKTIcon::initWithData_size(const platform::Data& data, Size size) {
    return initWithData_size_prerendered(data, size, true);
}

std::shared_ptr<RKTIcon> RKTIcon::initWithData_size_prerendered(const platform::Data& data, Size size,
                                                                bool prerendered) {
    return std::make_shared<RKTIcon>(data, RKTSHA1HexStringFromData(data), size, prerendered);
}

RKTIcon::RKTIcon(platform::Data data, std::string dataHash, Size size, bool prerendered)
    : prerendered_(prerendered), data_(std::move(data)), dataHash_(std::move(dataHash)), size_(size) {}

}  // namespace reporting
