#pragma once

// View helpers that record each call and do what the interface kit does, plainly: the background colour
// and corners on the view's layer, the alpha at once, the window moved to the screen's centre and
// ordered front. Installed for a test; uninstalled when it ends.

#include <memory>
#include <string>
#include <vector>

#include "engine/coordinator/ViewHelpers.h"
#include "platform/ui/Color.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace testsupport {

class RecordingViewHelpers : public kestrune::ViewHelpers {
public:
    struct Call {
        std::string what;
        platform::ui::View* view = nullptr;
        platform::ui::Window* window = nullptr;
        double value = 0, duration = 0;
        platform::ui::Rect screenFrame;
    };

    static std::shared_ptr<RecordingViewHelpers> install() {
        auto helpers = std::make_shared<RecordingViewHelpers>();
        kestrune::ViewHelpers::install(helpers);
        return helpers;
    }
    ~RecordingViewHelpers() override = default;

    void setBackgouroundColor(platform::ui::View& view, const platform::ui::Color& color) override {
        view.setWantsLayer(true);
        view.setLayer(platform::ui::Layer::layer());
        view.layer()->setBackgroundColor(color);
        calls.push_back({"background", &view, nullptr, color.alphaComponent(), 0, {}});
    }
    void setAlpha_withDuration(platform::ui::View& view, double alpha, double duration) override {
        view.setAlphaValue(alpha);
        calls.push_back({"alpha", &view, nullptr, alpha, duration, {}});
    }
    void setRoundedCornerSize(platform::ui::View& view, double size) override {
        view.setWantsLayer(true);
        if (auto layer = view.layer()) {
            layer->setCornerRadius(size);
            layer->setMasksToBounds(true);
        }
        calls.push_back({"corners", &view, nullptr, size, 0, {}});
    }
    void showWindowInCenter(platform::ui::Window& window,
                            const std::shared_ptr<platform::ui::Screen>& screen) override {
        const auto f = screen ? screen->frame() : platform::ui::Rect{};
        const auto w = window.frame();
        window.setFrame_display({f.minX() + (f.width() - w.width()) / 2,
                                 f.minY() + (f.height() - w.height()) / 2, w.width(), w.height()},
                                true);
        calls.push_back({"centre", nullptr, &window, 0, 0, f});
    }

    size_t count(const std::string& what) const {
        size_t n = 0;
        for (const auto& c : calls) n += c.what == what;
        return n;
    }

    std::vector<Call> calls;
};

}  // namespace testsupport
