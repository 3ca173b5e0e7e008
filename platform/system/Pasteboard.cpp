#include "platform/system/Pasteboard.h"

#include "platform/base/BackendSlot.h"

namespace platform {

namespace {

// A machine without a clipboard: nothing to read, nothing kept.
class NoPasteboard final : public PasteboardBackend {
public:
    std::optional<std::string> dataForType(const std::string&) override { return std::nullopt; }
    int64_t declareTypes(const std::vector<std::string>&) override { return 0; }
    bool setData_forType(const std::string&, const std::string&) override { return false; }
    int64_t changeCount() override { return 0; }
};

}  // namespace

std::shared_ptr<PasteboardBackend> PasteboardBackend::current() {
    return backendSlot<PasteboardBackend>().getOr<NoPasteboard>();
}

void PasteboardBackend::install(std::shared_ptr<PasteboardBackend> backend) {
    backendSlot<PasteboardBackend>().set(std::move(backend));
}

Pasteboard& Pasteboard::generalPasteboard() {
    static Pasteboard* pasteboard = new Pasteboard();
    return *pasteboard;
}

int64_t Pasteboard::declareTypes_owner(const std::vector<std::string>& types) {
    return PasteboardBackend::current()->declareTypes(types);
}

bool Pasteboard::setString_forType(const std::string& text, const std::string& type) {
    return PasteboardBackend::current()->setData_forType(text, type);
}

std::optional<std::string> Pasteboard::stringForType(const std::string& type) {
    return PasteboardBackend::current()->dataForType(type);
}

int64_t Pasteboard::changeCount() {
    return PasteboardBackend::current()->changeCount();
}

}  // namespace platform
