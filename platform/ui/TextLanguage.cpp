#include "platform/ui/TextLanguage.h"

#include <mutex>

namespace platform::ui {

namespace {
std::mutex gTextLanguageMutex;
std::string gTextLanguage;
}  // namespace

std::string TextLanguage::current() {
    std::lock_guard lock(gTextLanguageMutex);
    return gTextLanguage;
}

void TextLanguage::set(const std::string& tag) {
    std::lock_guard lock(gTextLanguageMutex);
    gTextLanguage = tag;
}

}  // namespace platform::ui
