#include "engine/coordinator/ViewHelpers.h"

#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

class ViewHelpersStandIn : public ViewHelpers {
public:
    void setBackgouroundColor(platform::ui::View&, const platform::ui::Color&) override {
        platform::logf("not built yet: view background colour requested");
    }
    void setAlpha_withDuration(platform::ui::View&, double alpha, double duration) override {
        platform::logf("not built yet: view fade to %.2f over %.2f s requested", alpha, duration);
    }
    void setRoundedCornerSize(platform::ui::View&, double size) override {
        platform::logf("not built yet: rounded corners of %.1f requested", size);
    }
    void showWindowInCenter(platform::ui::Window&, const std::shared_ptr<platform::ui::Screen>&) override {
        platform::logf("not built yet: window centred on a screen requested");
    }
};

}  // namespace

std::shared_ptr<ViewHelpers> ViewHelpers::current() {
    return platform::backendSlot<ViewHelpers>().getOr<ViewHelpersStandIn>();
}

void ViewHelpers::install(std::shared_ptr<ViewHelpers> helpers) {
    platform::backendSlot<ViewHelpers>().set(std::move(helpers));
}

}  // namespace kestrune
