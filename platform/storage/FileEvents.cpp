#include "platform/storage/FileEvents.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/ThreadSignalStack.h"

namespace platform {

namespace {

constexpr uint32_t kWatchedChanges = IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

uint32_t flagsForKernelMask(uint32_t mask) {
    uint32_t flags = 0;
    if (mask & IN_MODIFY) flags |= kFileEventWrite;
    if (mask & IN_ATTRIB) flags |= kFileEventAttrib;
    if (mask & IN_DELETE_SELF) flags |= kFileEventDelete;
    if (mask & IN_MOVE_SELF) flags |= kFileEventRename;
    if (mask & IN_UNMOUNT) flags |= kFileEventRevoke;
    return flags;
}

// Every source made, for the test helpers; never destroyed, as detached watchers may outlive exit.
struct Registry {
    std::mutex mutex;
    std::vector<std::weak_ptr<FileEventSource>> sources;
};

Registry& watchRegistry() {
    static auto* r = new Registry;
    return *r;
}

std::vector<std::shared_ptr<FileEventSource>> liveSources() {
    std::lock_guard lock(watchRegistry().mutex);
    std::vector<std::shared_ptr<FileEventSource>> out;
    for (auto& weak : watchRegistry().sources)
        if (auto source = weak.lock()) out.push_back(std::move(source));
    return out;
}

}  // namespace

int openForEventsOnly(const std::string& path) {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        logf("FileEvents: no event descriptor for %s: %s", path.c_str(), strerror(errno));
        return -1;
    }
    if (inotify_add_watch(fd, path.c_str(), kWatchedChanges) < 0) {
        logf("FileEvents: cannot watch %s: %s", path.c_str(), strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

struct FileEventSource::State {
    int descriptor = -1;
    uint32_t mask = 0;
    DispatchQueue* queue = nullptr;
    int wakeDescriptor = -1;  // written by cancel() to end the watcher's wait

    mutable std::mutex mutex;
    std::condition_variable changed;
    Closure eventHandler;
    Closure cancelHandler;
    uint32_t pending = 0;  // changes not yet handed to the event handler
    uint32_t current = 0;  // the changes of the handler running now
    bool resumed = false;
    bool cancelled = false;
    bool watching = false;           // the watcher thread runs
    bool reading = false;            // the watcher has taken changes from the kernel and not yet queued them
    bool deliveryScheduled = false;  // a delivery is queued or running
    bool finished = false;           // the cancel handler is queued
};

std::shared_ptr<FileEventSource> FileEventSource::create(int descriptor, uint32_t mask,
                                                         DispatchQueue& queue) {
    auto source = std::shared_ptr<FileEventSource>(new FileEventSource(descriptor, mask, queue));
    std::lock_guard lock(watchRegistry().mutex);
    std::erase_if(watchRegistry().sources, [](const auto& weak) { return weak.expired(); });
    watchRegistry().sources.push_back(source);
    return source;
}

FileEventSource::FileEventSource(int descriptor, uint32_t mask, DispatchQueue& queue)
    : state_(std::make_unique<State>()) {
    state_->descriptor = descriptor;
    state_->mask = mask;
    state_->queue = &queue;
    state_->wakeDescriptor = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

FileEventSource::~FileEventSource() {
    if (state_->wakeDescriptor >= 0) ::close(state_->wakeDescriptor);
}

void FileEventSource::setEventHandler(Closure handler) {
    std::lock_guard lock(state_->mutex);
    state_->eventHandler = std::move(handler);
}

void FileEventSource::setCancelHandler(Closure handler) {
    std::lock_guard lock(state_->mutex);
    state_->cancelHandler = std::move(handler);
}

uint32_t FileEventSource::data() const {
    std::lock_guard lock(state_->mutex);
    return state_->current;
}

bool FileEventSource::isCancelled() const {
    std::lock_guard lock(state_->mutex);
    return state_->cancelled;
}

void FileEventSource::resume() {
    std::lock_guard lock(state_->mutex);
    if (state_->resumed || state_->cancelled) return;
    if (state_->descriptor < 0 || state_->wakeDescriptor < 0) {
        logf("FileEvents: source without a descriptor, not watching");
        return;
    }
    state_->resumed = true;
    state_->watching = true;
    startThread([self = shared_from_this()] { self->watch(); }).detach();
}

void FileEventSource::cancel() {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->cancelled) return;
        state_->cancelled = true;
        finishLocked();
    }
    if (state_->wakeDescriptor >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(state_->wakeDescriptor, &one, sizeof one);
    }
}

void FileEventSource::watch() {
    State& s = *state_;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{s.descriptor, POLLIN, 0}, {s.wakeDescriptor, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            logf("FileEvents: waiting for changes failed: %s", strerror(errno));
            break;
        }
        if (fds[1].revents != 0) break;
        {
            std::lock_guard lock(s.mutex);
            if (s.cancelled) break;
            s.reading = true;
        }
        uint32_t flags = 0;
        bool failed = (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        for (;;) {
            ssize_t n = ::read(s.descriptor, buffer, sizeof buffer);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && errno != EAGAIN) failed = true;
                break;
            }
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                flags |= flagsForKernelMask(event->mask);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        bool schedule = false;
        {
            std::lock_guard lock(s.mutex);
            s.pending |= flags & s.mask;
            if (s.pending != 0 && !s.deliveryScheduled && !s.cancelled) {
                s.deliveryScheduled = true;
                schedule = true;
            }
        }
        // Queued before the reading flag drops, so that a test that waited for delivery finds the
        // handler's work already counted by the queue.
        if (schedule) s.queue->async([self = shared_from_this()] { self->deliver(); });
        {
            std::lock_guard lock(s.mutex);
            s.reading = false;
            s.changed.notify_all();
        }
        if (failed) {
            logf("FileEvents: the event descriptor failed; no more changes are reported");
            break;
        }
    }
    std::lock_guard lock(s.mutex);
    s.watching = false;
    s.reading = false;
    finishLocked();
    s.changed.notify_all();
}

void FileEventSource::deliver() {
    State& s = *state_;
    for (;;) {
        Closure handler;
        {
            std::lock_guard lock(s.mutex);
            if (s.cancelled || s.pending == 0) {
                s.deliveryScheduled = false;
                finishLocked();
                return;
            }
            s.current = s.pending;
            s.pending = 0;
            handler = s.eventHandler;
        }
        if (handler) handler();
    }
}

void FileEventSource::finishLocked() {
    State& s = *state_;
    if (!s.cancelled || s.watching || s.deliveryScheduled || s.finished) return;
    s.finished = true;
    // The handlers may hold what owns this source: let them go with the watch.
    s.eventHandler = nullptr;
    if (Closure cancelHandler = std::move(s.cancelHandler)) s.queue->async(std::move(cancelHandler));
    s.cancelHandler = nullptr;
    s.changed.notify_all();
}

void FileEventSource::deliverPendingEventsForTesting() {
    for (const auto& source : liveSources()) {
        State& s = *source->state_;
        std::unique_lock lock(s.mutex);
        auto delivered = [&] {
            if (!s.watching) return true;
            if (s.reading) return false;
            int available = 0;
            return ::ioctl(s.descriptor, FIONREAD, &available) != 0 || available == 0;
        };
        // Changes the kernel has queued wake the watcher, which reports back under this lock; the timed
        // wait only guards against a wake-up between the check and the wait.
        while (!delivered()) s.changed.wait_for(lock, std::chrono::milliseconds(20));
    }
}

void FileEventSource::cancelAllForTesting() {
    for (const auto& source : liveSources()) {
        source->cancel();
        State& s = *source->state_;
        std::unique_lock lock(s.mutex);
        s.changed.wait(lock, [&] { return !s.watching; });
    }
}

}  // namespace platform
