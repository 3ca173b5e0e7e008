#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/RunLoop.h"

namespace platform {

class DispatchQueue;

// Kinds of change to a watched file, as the desktop's file-system-object sources number them.
inline constexpr uint32_t kFileEventDelete = 0x1;
inline constexpr uint32_t kFileEventWrite = 0x2;
inline constexpr uint32_t kFileEventExtend = 0x4;
inline constexpr uint32_t kFileEventAttrib = 0x8;
inline constexpr uint32_t kFileEventLink = 0x10;
inline constexpr uint32_t kFileEventRename = 0x20;
inline constexpr uint32_t kFileEventRevoke = 0x40;
inline constexpr uint32_t kFileEventAll = 0x7F;

// Opens the file for event notification only: the descriptor reads and writes nothing, it only stands
// for the file in a FileEventSource (on this system it is a kernel file-event (inotify) instance watching
// that one file). Answers -1 when the file cannot be watched (missing, not readable); the caller closes
// a descriptor it got, once its source is cancelled.
int openForEventsOnly(const std::string& path);

// A source of change events for one file, on a queue: each batch of changes the kernel reports calls
// the event handler on the queue, never twice at once; data() then holds the kinds of change (within the
// mask) since the handler last ran. Events are delivered from resume() until cancel(); the cancel handler
// then runs once on the queue, after any running event handler, and only then may the descriptor be
// closed. A resumed source keeps itself alive until it is cancelled.
//
// Writes, appends and truncations arrive as kFileEventWrite; a moved file as kFileEventRename; a removed
// one as kFileEventDelete; attribute and link-count changes as kFileEventAttrib; an unmounted file system
// as kFileEventRevoke.
class FileEventSource : public std::enable_shared_from_this<FileEventSource> {
public:
    static std::shared_ptr<FileEventSource> create(int descriptor, uint32_t mask, DispatchQueue& queue);
    ~FileEventSource();

    void setEventHandler(Closure handler);
    void setCancelHandler(Closure handler);
    // Inside the event handler: the changes it is called for.
    uint32_t data() const;
    void resume();
    void cancel();
    bool isCancelled() const;

    // Tests: waits until every change the kernel has queued for a running source has been handed to
    // that source's queue (the main loop's runUntilIdle then waits for the handlers).
    static void deliverPendingEventsForTesting();
    // Tests: cancels every source and waits until each has stopped watching and queued its cancel handler.
    static void cancelAllForTesting();

    FileEventSource(const FileEventSource&) = delete;
    FileEventSource& operator=(const FileEventSource&) = delete;

private:
    struct State;
    FileEventSource(int descriptor, uint32_t mask, DispatchQueue& queue);
    void watch();
    void deliver();
    void finishLocked();

    std::unique_ptr<State> state_;
};

}  // namespace platform
