#include "app/support/URLOpener.h"

#include <mutex>

#include "platform/base/Log.h"

namespace kestrune {

namespace {

std::mutex gOpenerMutex;
std::shared_ptr<URLOpener> gOpener;
std::vector<std::string> gRecorded;

class RecordingURLOpener : public URLOpener {
public:
    void openURL(const std::string& url) override {
        platform::logf("Opening %s (no browser on this system)", url.c_str());
        std::lock_guard lock(gOpenerMutex);
        gRecorded.push_back(url);
    }
};

}  // namespace

std::shared_ptr<URLOpener> URLOpener::current() {
    std::lock_guard lock(gOpenerMutex);
    if (!gOpener) gOpener = std::make_shared<RecordingURLOpener>();
    return gOpener;
}

void URLOpener::install(std::shared_ptr<URLOpener> opener) {
    std::lock_guard lock(gOpenerMutex);
    gOpener = std::move(opener);
}

std::vector<std::string> URLOpener::recordedURLs() {
    std::lock_guard lock(gOpenerMutex);
    return gRecorded;
}

void URLOpener::resetRecordedURLsForTesting() {
    std::lock_guard lock(gOpenerMutex);
    gRecorded.clear();
}

}  // namespace kestrune
