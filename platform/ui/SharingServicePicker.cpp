#include "platform/ui/SharingServicePicker.h"

#include "platform/base/Log.h"
#include "platform/ui/View.h"

namespace platform::ui {

namespace {
// Interface objects live on the main thread only. Never destroyed, like the windows they point at.
std::vector<SharingServicePicker::Showing>& showings() {
    static auto* list = new std::vector<SharingServicePicker::Showing>;
    return *list;
}
std::shared_ptr<SharingServicePicker>& open() {
    static auto* picker = new std::shared_ptr<SharingServicePicker>;
    return *picker;
}
}  // namespace

std::shared_ptr<SharingServicePicker> SharingServicePicker::initWithItems(std::vector<SharingItem> items) {
    auto picker = std::make_shared<SharingServicePicker>();
    picker->items_ = std::move(items);
    return picker;
}

void SharingServicePicker::showRelativeToRect_ofView_preferredEdge(Rect rect,
                                                                   const std::shared_ptr<View>& view,
                                                                   RectEdge edge) {
    auto self = sharedAs<SharingServicePicker>();
    showings().push_back({self, view, rect, edge});
    open() = self;
    platform::logf("Sharing picker shown with %zu items (no sharing services on this system)", items_.size());
}

bool SharingServicePicker::chooseSharingServiceNamed(const std::string& name) {
    auto self = sharedAs<SharingServicePicker>();
    if (open() == self) open().reset();
    auto service = SharingService::sharingServiceNamed(name);
    auto d = delegate();
    if (d) d->sharingServicePicker_didChooseSharingService(*this, service.get());
    if (!service) return false;
    if (d) service->setDelegate(d->sharingServicePicker_delegateForSharingService(*this, *service));
    service->performWithItems(items_);
    return true;
}

std::vector<SharingServicePicker::Showing> SharingServicePicker::shown() {
    return showings();
}

std::shared_ptr<SharingServicePicker> SharingServicePicker::openPicker() {
    return open();
}

void SharingServicePicker::resetForTesting() {
    showings().clear();
    open().reset();
}

}  // namespace platform::ui
