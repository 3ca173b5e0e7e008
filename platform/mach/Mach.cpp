#include "platform/mach/Mach.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace platform::mach {

namespace {

constexpr size_t kPortCount = 64;
constexpr size_t kQueueLength = 8;
constexpr size_t kMessageMaximum = 128;

struct QueuedMessage {
    uint32_t size;
    alignas(8) unsigned char bytes[kMessageMaximum];
};

struct PortSlot {
    bool used = false;
    bool sendRight = false;
    uint32_t generation = 0;
    size_t head = 0;
    size_t count = 0;
    QueuedMessage queue[kQueueLength];
};

// One lock for the whole table: ports are few and messages rare. Never destroyed: a server thread
// still waits on them while the process exits, and destroying a condition with a waiter blocks.
std::mutex& gMachMutex = *new std::mutex;
std::condition_variable& gChanged = *new std::condition_variable;
PortSlot gPorts[kPortCount];

struct ExceptionEntry {
    Port port = kNullPort;
    int32_t behavior = 0;
    int32_t flavor = 0;
};
ExceptionEntry gExceptionTable[kExceptionTypeCount + 1];

// A name carries its slot in the high bits and a generation in the low 8, so a stale name never reaches
// a port that took over its slot.
Port nameOf(size_t index, uint32_t generation) {
    return Port((index + 1) << 8 | (generation & 0xff));
}

PortSlot* slotOf(Port port) {
    const size_t index = (port >> 8);
    if (index == 0 || index > kPortCount) return nullptr;
    PortSlot& slot = gPorts[index - 1];
    if (!slot.used || (slot.generation & 0xff) != (port & 0xff)) return nullptr;
    return &slot;
}

void collect(uint32_t mask, ExceptionPorts* out) {
    out->count = 0;
    for (uint32_t type = 1; type <= kExceptionTypeCount; type++) {
        if (!(mask & (1u << type))) continue;
        const ExceptionEntry& entry = gExceptionTable[type];
        uint32_t i = 0;
        for (; i < out->count; i++) {
            if (out->ports[i] == entry.port && out->behaviors[i] == entry.behavior &&
                out->flavors[i] == entry.flavor)
                break;
        }
        if (i == out->count) {
            if (out->count == kExceptionTypeCount) continue;
            out->ports[i] = entry.port;
            out->behaviors[i] = entry.behavior;
            out->flavors[i] = entry.flavor;
            out->masks[i] = 0;
            out->count++;
        }
        out->masks[i] |= 1u << type;
    }
}

bool validMask(uint32_t mask) {
    return (mask & ~(((1u << (kExceptionTypeCount + 1)) - 1) & ~1u)) == 0;
}

}  // namespace

pid_t taskSelf() {
    return getpid();
}

pid_t threadSelf() {
    return pid_t(syscall(SYS_gettid));
}

int32_t portAllocate(Port* port) {
    if (!port) return kInvalidArgument;
    std::lock_guard<std::mutex> lock(gMachMutex);
    for (size_t i = 0; i < kPortCount; i++) {
        PortSlot& slot = gPorts[i];
        if (slot.used) continue;
        slot.used = true;
        slot.sendRight = false;
        slot.generation++;
        slot.head = slot.count = 0;
        *port = nameOf(i, slot.generation);
        return kSuccess;
    }
    return kNoSpace;
}

int32_t portInsertSendRight(Port port) {
    std::lock_guard<std::mutex> lock(gMachMutex);
    PortSlot* slot = slotOf(port);
    if (!slot) return kInvalidName;
    slot->sendRight = true;
    return kSuccess;
}

int32_t portDestroy(Port port) {
    std::lock_guard<std::mutex> lock(gMachMutex);
    PortSlot* slot = slotOf(port);
    if (!slot) return kInvalidName;
    slot->used = false;
    slot->sendRight = false;
    slot->count = 0;
    gChanged.notify_all();
    return kSuccess;
}

int32_t send(const MessageHeader* message, uint32_t size) {
    if (!message || size < sizeof(MessageHeader)) return kInvalidArgument;
    if (size > kMessageMaximum) return kSendTooLarge;
    std::lock_guard<std::mutex> lock(gMachMutex);
    PortSlot* slot = slotOf(message->remotePort);
    if (!slot) return kSendInvalidDestination;
    if (slot->count == kQueueLength) return kNoSpace;
    QueuedMessage& queued = slot->queue[(slot->head + slot->count) % kQueueLength];
    queued.size = size;
    memcpy(queued.bytes, message, size);
    slot->count++;
    gChanged.notify_all();
    return kSuccess;
}

int32_t receive(Port port, void* buffer, uint32_t size, int64_t timeoutNanoseconds) {
    if (!buffer) return kInvalidArgument;
    std::unique_lock<std::mutex> lock(gMachMutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(timeoutNanoseconds);
    for (;;) {
        PortSlot* slot = slotOf(port);
        if (!slot) return kReceivePortDied;
        if (slot->count > 0) {
            QueuedMessage& queued = slot->queue[slot->head];
            if (queued.size > size) return kReceiveTooLarge;
            memset(buffer, 0, size);
            memcpy(buffer, queued.bytes, queued.size);
            // As the kernel does: the receiver sees the sender's reply port as its remote port.
            auto* header = static_cast<MessageHeader*>(buffer);
            const uint32_t remoteBits = header->bits & kRemoteBitsMask;
            const uint32_t localBits = (header->bits >> 8) & kRemoteBitsMask;
            header->bits =
                (header->bits & ~(kRemoteBitsMask | kRemoteBitsMask << 8)) | localBits | remoteBits << 8;
            const Port remote = header->remotePort;
            header->remotePort = header->localPort;
            header->localPort = remote;
            slot->head = (slot->head + 1) % kQueueLength;
            slot->count--;
            return kSuccess;
        }
        if (timeoutNanoseconds < 0) {
            gChanged.wait(lock);
        } else if (gChanged.wait_until(lock, deadline) == std::cv_status::timeout) {
            PortSlot* again = slotOf(port);
            if (again && again->count > 0) continue;
            return again ? kReceiveTimedOut : kReceivePortDied;
        }
    }
}

int32_t taskSwapExceptionPorts(pid_t task, uint32_t mask, Port port, int32_t behavior, int32_t flavor,
                               ExceptionPorts* previous) {
    if (task != taskSelf()) return kInvalidArgument;
    if (!previous || !validMask(mask)) return kInvalidArgument;
    std::lock_guard<std::mutex> lock(gMachMutex);
    if (port != kNullPort && !slotOf(port)) return kInvalidArgument;
    collect(mask, previous);
    for (uint32_t type = 1; type <= kExceptionTypeCount; type++) {
        if (mask & (1u << type)) gExceptionTable[type] = {port, behavior, flavor};
    }
    return kSuccess;
}

int32_t taskSetExceptionPorts(pid_t task, uint32_t mask, Port port, int32_t behavior, int32_t flavor) {
    ExceptionPorts ignored;
    return taskSwapExceptionPorts(task, mask, port, behavior, flavor, &ignored);
}

int32_t taskGetExceptionPorts(pid_t task, uint32_t mask, ExceptionPorts* current) {
    if (task != taskSelf() || !current || !validMask(mask)) return kInvalidArgument;
    std::lock_guard<std::mutex> lock(gMachMutex);
    collect(mask, current);
    return kSuccess;
}

void resetForTesting() {
    std::lock_guard<std::mutex> lock(gMachMutex);
    for (auto& slot : gPorts) {
        slot.used = false;
        slot.count = 0;
    }
    for (auto& entry : gExceptionTable) entry = ExceptionEntry();
    gChanged.notify_all();
}

}  // namespace platform::mach
