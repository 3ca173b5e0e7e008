#include "engine/evidence/FileListener.h"

#include <unistd.h>

#include <memory>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/storage/FileEvents.h"
#include "platform/storage/Files.h"

namespace kestrune {

void FileListener::monitorFile_withCompletion(const std::string& path, std::function<void()> completion) {
    if (!platform::Files::exists(path)) {
        platform::logf("ERROR: File doesnt exist at path %s", path.c_str());
        return;
    }
    const int descriptor = platform::openForEventsOnly(path);
    if (descriptor < 0) return;
    auto source = platform::FileEventSource::create(descriptor, platform::kFileEventAll,
                                                    platform::DispatchQueue::global());
    std::weak_ptr<platform::FileEventSource> weak = source;
    source->setEventHandler([weak, path, completion] {
        auto self = weak.lock();
        if (!self) return;
        const uint32_t flags = self->data();
        if (completion) completion();
        if (flags != 0) {
            self->cancel();
            monitorFile_withCompletion(path, completion);
        }
    });
    source->setCancelHandler([descriptor] { ::close(descriptor); });
    source->resume();
}

}  // namespace kestrune
