#include "main/DrawingModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/base/Log.h"
#include "platform/mach/ImageLoader.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextMeasurer.h"

// Fontconfig (below Pango) keeps its caches until the process ends; the leak checker of a sanitized
// build is told they are not leaks. It reads this from the executable at start, before the module is
// loaded, so the executable carries it (weak: the drawing backend's own copy wins where both are linked).
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace kestrune {

namespace {

using platform::ui::Renderer;
using platform::ui::TextMeasurer;

struct Backend {
    std::shared_ptr<Renderer> renderer;
    std::shared_ptr<TextMeasurer> measurer;
};

// The backend of the module at `path`, loaded on the first call for that path; none when it cannot be
// loaded. A loaded module stays loaded: its objects are in use until the program ends.
const Backend* loadModule(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, std::optional<Backend>> modules;
    std::lock_guard<std::mutex> lock(mutex);
    auto known = modules.find(path);
    if (known != modules.end()) return known->second ? &*known->second : nullptr;
    std::optional<Backend>& result = modules[path];
    // Through the platform's loader, which tells the crash kit of the module and of every library it
    // brings in: every window is drawn through them.
    void* module = platform::mach::ImageLoader::load(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Entry = void (*)(std::shared_ptr<Renderer>*, std::shared_ptr<TextMeasurer>*);
    auto entry = module ? reinterpret_cast<Entry>(dlsym(module, "kestruneDrawingBackend")) : nullptr;
    if (!entry) {
        const char* why = dlerror();
        platform::logf(
            "Drawing: %s could not be loaded (%s); pictures have no pixels and text takes fixed "
            "metrics",
            path.c_str(), why ? why : "no entry");
        return nullptr;
    }
    Backend backend;
    entry(&backend.renderer, &backend.measurer);
    if (!backend.renderer || !backend.measurer) return nullptr;
    result = std::move(backend);
    return &*result;
}

// Stand-ins that load the module when first asked for pixels or a measurement.
class OnDemandRenderer : public Renderer {
public:
    explicit OnDemandRenderer(std::string path) : path_(std::move(path)) {}
    std::optional<platform::ui::Bitmap> decodePNG(const std::vector<uint8_t>& bytes) override {
        const Backend* backend = loadModule(path_);
        return backend ? backend->renderer->decodePNG(bytes) : std::nullopt;
    }
    std::optional<std::vector<uint8_t>> encodePNG(const platform::ui::Bitmap& bitmap) override {
        const Backend* backend = loadModule(path_);
        return backend ? backend->renderer->encodePNG(bitmap) : std::nullopt;
    }
    platform::ui::Bitmap renderView(platform::ui::View& view, platform::ui::Rect rect,
                                    double scale) override {
        const Backend* backend = loadModule(path_);
        return backend ? backend->renderer->renderView(view, rect, scale) : platform::ui::Bitmap{};
    }

private:
    std::string path_;
};

class OnDemandTextMeasurer : public TextMeasurer {
public:
    using Backend = std::function<const TextMeasurer*()>;
    explicit OnDemandTextMeasurer(Backend backend) : backend_(std::move(backend)) {}
    platform::ui::Size measure(const platform::ui::AttributedString& text, double maxWidth) const override {
        if (const TextMeasurer* measurer = backend_()) return measurer->measure(text, maxWidth);
        return fixed_.measure(text, maxWidth);
    }
    platform::ui::Rect inkRect(const platform::ui::AttributedString& text, double maxWidth) const override {
        if (const TextMeasurer* measurer = backend_()) return measurer->inkRect(text, maxWidth);
        return fixed_.inkRect(text, maxWidth);
    }
    bool readsFromTheRight(const platform::ui::AttributedString& text) const override {
        const TextMeasurer* measurer = backend_();
        return measurer && measurer->readsFromTheRight(text);
    }

private:
    Backend backend_;
    platform::ui::FixedTextMeasurer fixed_;
};

}  // namespace

bool DrawingModule::install(const std::string& path) {
    const Backend* backend = loadModule(path);
    if (!backend) return false;
    Renderer::install(backend->renderer);
    TextMeasurer::install(backend->measurer);
    return true;
}

void DrawingModule::installOnDemand(const std::string& path) {
    Renderer::install(std::make_shared<OnDemandRenderer>(path));
    TextMeasurer::install(measurerOnDemand([path]() -> const TextMeasurer* {
        const Backend* backend = loadModule(path);
        return backend ? backend->measurer.get() : nullptr;
    }));
}

std::shared_ptr<TextMeasurer> DrawingModule::measurerOnDemand(std::function<const TextMeasurer*()> backend) {
    return std::make_shared<OnDemandTextMeasurer>(std::move(backend));
}

std::string DrawingModule::besideExecutable() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return kFileName;
    std::string executable(buffer.data(), static_cast<size_t>(length));
    const size_t slash = executable.rfind('/');
    return slash == std::string::npos ? kFileName : executable.substr(0, slash + 1) + kFileName;
}

}  // namespace kestrune
