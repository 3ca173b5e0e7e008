#include "reporting/core/RKTAppIconUtility.h"

#include <string>

#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"

namespace reporting {

namespace {

uint32_t bigEndian32(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

// A PNG starts with its signature and the IHDR chunk, whose first fields are width and height.
std::optional<RKTIcon::Size> pngSize(const platform::Data& png) {
    if (!RKTIcon::isPNG(png) || png.size() < 24) return std::nullopt;
    const uint8_t* bytes = png.bytes();
    if (std::string(reinterpret_cast<const char*>(bytes + 12), 4) != "IHDR") return std::nullopt;
    return RKTIcon::Size{static_cast<double>(bigEndian32(bytes + 16)),
                         static_cast<double>(bigEndian32(bytes + 20))};
}

}  // namespace

std::shared_ptr<RKTIcon> RKTAppIconUtility::applicationIcon() {
    if (!fetched_) {
        fetched_ = true;
        applicationIcon_ = fetchApplicationIcon();
    }
    return applicationIcon_;
}

std::shared_ptr<RKTIcon> RKTAppIconUtility::fetchApplicationIcon() const {
    const auto image = mainAppIcon();
    if (!image) return nullptr;
    return RKTIcon::initWithImage(*image);
}

platform::Value::Dictionary RKTAppIconUtility::appInfoDictionary() const {
    return platform::Bundle::main().infoDictionary();
}

std::optional<RKTIcon::Image> RKTAppIconUtility::mainAppIcon() const {
    const platform::Value::Dictionary info = appInfoDictionary();
    auto entry = info.find("CFBundleIconFile");
    if (entry == info.end() || !entry->second.string() || entry->second.string()->empty())
        return std::nullopt;
    std::string name = *entry->second.string();
    std::string type = "png";
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        type = name.substr(dot + 1);
        name = name.substr(0, dot);
    }
    const auto path = platform::Bundle::main().pathForResource(name, type);
    if (!path) return std::nullopt;
    auto bytes = platform::Files::read(*path);
    if (!bytes) return std::nullopt;
    RKTIcon::Image image;
    image.size = pngSize(*bytes).value_or(RKTIcon::Size{});
    image.bytes = std::move(*bytes);
    return image;
}

}  // namespace reporting
