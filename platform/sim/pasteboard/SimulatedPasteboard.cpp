#include "platform/sim/pasteboard/SimulatedPasteboard.h"

namespace platform {

std::shared_ptr<SimulatedPasteboard> SimulatedPasteboard::create() {
    return std::shared_ptr<SimulatedPasteboard>(new SimulatedPasteboard());
}

void SimulatedPasteboard::install() {
    PasteboardBackend::install(shared_from_this());
}

void SimulatedPasteboard::replaceLocked(const std::string& type, const std::string& bytes) {
    declared_ = {type};
    items_ = {{type, bytes}};
    ++changeCount_;
}

void SimulatedPasteboard::copyText(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    replaceLocked(kPasteboardTypeString, bytes);
}

void SimulatedPasteboard::copyImage(const std::vector<uint8_t>& png) {
    std::lock_guard lock(mutex_);
    replaceLocked(kPNGType, std::string(png.begin(), png.end()));
}

void SimulatedPasteboard::clear() {
    std::lock_guard lock(mutex_);
    declared_.clear();
    items_.clear();
    ++changeCount_;
}

void SimulatedPasteboard::setRefusesWrites(bool refuses) {
    std::lock_guard lock(mutex_);
    refusesWrites_ = refuses;
}

std::map<std::string, std::string> SimulatedPasteboard::contents() {
    std::lock_guard lock(mutex_);
    return items_;
}

std::optional<std::string> SimulatedPasteboard::dataForType(const std::string& type) {
    std::lock_guard lock(mutex_);
    auto it = items_.find(type);
    if (it == items_.end()) return std::nullopt;
    return it->second;
}

int64_t SimulatedPasteboard::declareTypes(const std::vector<std::string>& types) {
    std::lock_guard lock(mutex_);
    declared_ = std::set<std::string>(types.begin(), types.end());
    items_.clear();
    return ++changeCount_;
}

bool SimulatedPasteboard::setData_forType(const std::string& bytes, const std::string& type) {
    std::lock_guard lock(mutex_);
    if (refusesWrites_ || declared_.count(type) == 0) return false;
    items_[type] = bytes;
    return true;
}

int64_t SimulatedPasteboard::changeCount() {
    std::lock_guard lock(mutex_);
    return changeCount_;
}

}  // namespace platform
