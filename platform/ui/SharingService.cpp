#include "platform/ui/SharingService.h"

#include <mutex>

#include "platform/base/Log.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
std::mutex gMutex;
std::vector<SharingService::Performance> gPerformed;

bool isKnown(const std::string& name) {
    for (const char* known : {SharingService::kNamePostOnFacebook, SharingService::kNamePostOnTwitter,
                              SharingService::kNameComposeEmail, SharingService::kNamePostImageOnFlickr,
                              SharingService::kNameComposeMessage})
        if (name == known) return true;
    return false;
}

std::string describe(const SharingItem& item) {
    if (const auto* text = std::get_if<std::string>(&item)) return "\"" + *text + "\"";
    const auto& image = std::get<std::shared_ptr<Image>>(item);
    if (!image) return "no picture";
    return "a picture of " + std::to_string(int(image->size().width)) + "x" +
           std::to_string(int(image->size().height));
}
}  // namespace

std::shared_ptr<SharingService> SharingService::sharingServiceNamed(const std::string& name) {
    if (!isKnown(name)) return nullptr;
    return std::make_shared<SharingService>(name);
}

void SharingService::performWithItems(const std::vector<SharingItem>& items) {
    auto keep = sharedAs<SharingService>();
    std::string what;
    for (const auto& item : items) what += (what.empty() ? "" : ", ") + describe(item);
    platform::logf("Sharing through %s (no sharing service on this system): %s", name_.c_str(), what.c_str());
    std::shared_ptr<Window> source;
    if (auto d = delegate()) {
        int scope = 0;
        source = d->sharingService_sourceWindowForShareItems_sharingContentScope(*this, items, &scope);
    }
    {
        std::lock_guard lock(gMutex);
        gPerformed.push_back({name_, items, source});
    }
    if (auto d = delegate()) d->sharingService_didShareItems(*this, items);
}

std::vector<SharingService::Performance> SharingService::performed() {
    std::lock_guard lock(gMutex);
    return gPerformed;
}

void SharingService::resetForTesting() {
    std::lock_guard lock(gMutex);
    gPerformed.clear();
}

}  // namespace platform::ui
