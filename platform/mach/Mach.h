#pragma once

#include <sys/types.h>

#include <cstdint>

namespace platform::mach {

// A small stand-in for the kernel's message ports and a task's exception ports, enough for an
// exception server to run for real: ports are preallocated in-process message queues, a task is this
// process (its id), a thread is a kernel thread id. Nothing here allocates once the first port exists,
// so a server may use it while the process is crashing. The kernel itself never sends exceptions here;
// senders (tests, a crashing thread) build the request themselves.

using Port = uint32_t;
inline constexpr Port kNullPort = 0;

// Return codes, as the kernel numbers them.
inline constexpr int32_t kSuccess = 0;
inline constexpr int32_t kInvalidArgument = 4;
inline constexpr int32_t kFailure = 5;
inline constexpr int32_t kNoSpace = 3;
inline constexpr int32_t kInvalidName = 15;
inline constexpr int32_t kSendInvalidDestination = 0x10000003;
inline constexpr int32_t kSendTooLarge = 0x10000004;
inline constexpr int32_t kReceiveInvalidName = 0x10004002;
inline constexpr int32_t kReceiveTimedOut = 0x10004003;
inline constexpr int32_t kReceiveTooLarge = 0x10004004;
inline constexpr int32_t kReceivePortDied = 0x10004009;

// Exception types (1-14) and their mask bits (1 << type).
inline constexpr uint32_t kExceptionTypeCount = 14;
inline constexpr uint32_t kMaskBadAccess = 1u << 1;
inline constexpr uint32_t kMaskBadInstruction = 1u << 2;
inline constexpr uint32_t kMaskArithmetic = 1u << 3;
inline constexpr uint32_t kMaskBreakpoint = 1u << 6;
inline constexpr uint32_t kMaskCrash = 1u << 10;
inline constexpr uint32_t kMaskGuard = 1u << 12;
inline constexpr int32_t kBehaviorDefault = 1;
inline constexpr int32_t kExceptionCodes64 = int32_t(0x80000000u);
inline constexpr int32_t kThreadStateNone = 13;

// Message layouts, packed to four bytes as the kernel lays them out.
#pragma pack(push, 4)
struct MessageHeader {
    uint32_t bits;
    uint32_t size;
    Port remotePort;
    Port localPort;
    uint32_t voucher;
    int32_t id;
};
struct PortDescriptor {
    uint32_t name;
    uint32_t pad1;
    uint16_t pad2;
    uint8_t disposition;
    uint8_t type;
};
// An exception raised with 64-bit codes, as received (with its trailer).
struct ExceptionRequest {
    MessageHeader header;
    uint32_t descriptorCount;
    PortDescriptor thread;
    PortDescriptor task;
    uint64_t ndr;
    int32_t exception;
    uint32_t codeCount;
    int64_t codes[2];
    uint32_t trailerType;
    uint32_t trailerSize;
};
struct ExceptionReply {
    MessageHeader header;
    uint64_t ndr;
    int32_t returnCode;
};
#pragma pack(pop)
static_assert(sizeof(ExceptionRequest) == 92);
static_assert(sizeof(ExceptionReply) == 36);

// The remote port's disposition bits of a header (the low five bits).
inline constexpr uint32_t kRemoteBitsMask = 0x1f;
inline constexpr uint32_t kCopySend = 19;
inline constexpr uint32_t kMakeSendOnce = 21;
inline constexpr uint32_t kMoveSendOnce = 18;
inline constexpr uint32_t kMessageComplex = 0x80000000u;
inline constexpr int32_t kExceptionRaiseId = 2405;

pid_t taskSelf();
pid_t threadSelf();

// Ports: a receive right in this process; the send right is implied by the port's name.
int32_t portAllocate(Port* port);
int32_t portInsertSendRight(Port port);
// Wakes any receiver with kReceivePortDied and frees the name.
int32_t portDestroy(Port port);

// Queues a copy of the message on header->remotePort (size bytes, at most 128).
int32_t send(const MessageHeader* message, uint32_t size);
// Takes the next message into the buffer; waits at most timeoutNanoseconds (negative: for ever). As the
// kernel does, the received header names the sender's reply port (its local port) as the remote port.
int32_t receive(Port port, void* buffer, uint32_t size, int64_t timeoutNanoseconds = -1);

// A task's exception ports, one entry per exception type. Swapping answers the entries it replaced,
// those with the same port, behaviour and flavour merged into one with their masks joined.
struct ExceptionPorts {
    uint32_t count;
    uint32_t masks[kExceptionTypeCount];
    Port ports[kExceptionTypeCount];
    int32_t behaviors[kExceptionTypeCount];
    int32_t flavors[kExceptionTypeCount];
};
int32_t taskSwapExceptionPorts(pid_t task, uint32_t mask, Port port, int32_t behavior, int32_t flavor,
                               ExceptionPorts* previous);
int32_t taskSetExceptionPorts(pid_t task, uint32_t mask, Port port, int32_t behavior, int32_t flavor);
int32_t taskGetExceptionPorts(pid_t task, uint32_t mask, ExceptionPorts* current);

// Tests: every port destroyed, the exception table emptied.
void resetForTesting();

}  // namespace platform::mach
