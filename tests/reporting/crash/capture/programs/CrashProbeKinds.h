#pragma once

// The crash probe's kinds, shared by the probe and the programs that run it.
namespace crashprobe {

inline constexpr const char* kNull = "null";
inline constexpr const char* kOverflowMain = "overflow-main";
inline constexpr const char* kOverflowPlatform = "overflow-platform";
inline constexpr const char* kHeapAbort = "heap-abort";
inline constexpr const char* kStdoutLock = "stdout-lock";
inline constexpr const char* kSigbus = "sigbus";
inline constexpr const char* kSigfpe = "sigfpe";
inline constexpr const char* kSigill = "sigill";
inline constexpr const char* kRaiseSigbus = "raise-sigbus";
inline constexpr const char* kThrowCString = "throw-cstring";
inline constexpr const char* kThrowString = "throw-string";
inline constexpr const char* kThrowRuntimeError = "throw-runtime-error";
inline constexpr const char* kThrowInt = "throw-int";
// A standard exception thrown by pointer.
inline constexpr const char* kThrowExceptionPointer = "throw-exception-pointer";
// The kit's terminate handler is already installed when the kit starts: it has no previous one to call.
inline constexpr const char* kThrowNoPrevious = "throw-no-previous";
inline constexpr const char* kPlatformException = "platform-exception";
inline constexpr const char* kEightThreads = "eight-threads";
inline constexpr const char* kHandlerCrash = "handler-crash";
inline constexpr const char* kHostHandler = "host-handler";
inline constexpr const char* kMachOwnTask = "mach-own-task";
inline constexpr const char* kMachOtherTask = "mach-other-task";
// No crash: asks the exception server's thread what alternate signal stack it has, and writes
// "<flags> <size>" to standard output as sigaltstack answers there, in a handler that asks for that stack.
inline constexpr const char* kMachServerSignalStack = "mach-server-signal-stack";
// A crash callback that allocates: what the interposing variant must catch.
inline constexpr const char* kHandlerAllocates = "handler-allocates";
// Loads a library after the kit started, which loads a second one itself; the fault is in the second.
inline constexpr const char* kLoadedLibrary = "loaded-library";
// Loads that nobody has read yet when the program crashes: a library loaded the program's way, one that
// library loads itself, and a character-set converter the C library loads; then a fault in the program.
inline constexpr const char* kLoadedJustBefore = "loaded-just-before";
// No crash: a library whose search path is its own folder loads its sibling by bare name and through
// $ORIGIN while the kit runs; exits with kOriginSiblingLoadedExit when both loads succeed.
inline constexpr const char* kOriginSibling = "origin-sibling";
// Crashes the moment the kit has started, before its queues have done anything; the facts list every
// image mapped before the start.
inline constexpr const char* kAtStart = "at-start";
// Cuts the loader's list of objects after the program's own entry (a wild write), then aborts on a thread
// of its own.
inline constexpr const char* kCutLoaderList = "cut-loader-list";
// Calls through a null function pointer.
inline constexpr const char* kNullCall = "null-call";
// Asks the preloaded library (started with LD_PRELOAD, see the tests) to throw a std::runtime_error
// nobody catches on a thread of its own.
inline constexpr const char* kThrowOnPreloadedThread = "throw-on-preloaded-thread";
// Crashes the handler itself used to fault on, or walked from made-up callers.
// Loads a one-function plugin the program's way, closes it, then calls it through the pointer it kept.
inline constexpr const char* kUnloadedCall = "unloaded-call";
// Loads a plugin the program's way and calls it, closes it, opens another of the same layout where it
// lay without the table hearing of it, then calls through the pointer kept to the first: the second's
// code faults.
inline constexpr const char* kOpenedWhereClosed = "opened-where-closed";
// Loads a plugin the program's way and calls it, closes it, writes another build of it over its file
// and opens that where the first lay without the table hearing of it, then calls through the pointer kept
// to the first: the new build's code faults. The reading kind has the loader's list read again before the
// call; the longer kind opens a build with more code ahead of the function and calls the new function,
// which lies past the end of the first build's code. These write the new build as a new file renamed
// over the old one; the in-place kind truncates the old file and writes the new build into it (as `cp`
// does: the file keeps its inode), and the anew kind removes the old file and writes a new one (as
// `install` and the linker do: it often gets the removed file's inode).
inline constexpr const char* kRebuiltReopened = "rebuilt-reopened";
inline constexpr const char* kRebuiltReopenedRead = "rebuilt-reopened-read";
inline constexpr const char* kLongerRebuildReopened = "longer-rebuild-reopened";
inline constexpr const char* kRebuiltInPlaceReopened = "rebuilt-in-place-reopened";
inline constexpr const char* kRebuiltAnewReopened = "rebuilt-anew-reopened";
// Calls through a wild pointer (an unmapped address above the first page) with rbp = 0.
inline constexpr const char* kWildCall = "wild-call";
// Returns through a return address smashed to 0, with a function pointer just above it.
inline constexpr const char* kSmashedReturn = "smashed-return";
// Loads the plugin the program's way and crashes while the binary-images queue is in the middle of
// writing its record: the write is held until a signal (the crash handler stopping the thread) wakes it.
inline constexpr const char* kRecordBeingWritten = "record-being-written";
// A signal handler of the program's own crashes; the signal interrupted a function at its first byte.
inline constexpr const char* kCrashInSignalHandler = "crash-in-signal-handler";
// Throws a std::logic_error wrapped by std::throw_with_nested.
inline constexpr const char* kThrowNested = "throw-nested";
// The crash handler never faulting itself: it runs whatever the loader's state, the moment it is
// installed, and on a thread of the program's that has overflowed its stack.
// The C library's entry in the loader's list is moved by a page (or its load address set to 0), as a wild
// write would; then the program aborts. A handler whose first calls still went through lazy binding
// would land in the wrong code.
inline constexpr const char* kLibcEntryMoved = "libc-entry-moved";
inline constexpr const char* kLibcEntryZeroed = "libc-entry-zeroed";
// A thread polls until the kit's SIGSEGV handler is in place and faults at once, while the kit is still
// starting; the facts list every image mapped before the start.
inline constexpr const char* kAtHandlerInstall = "at-handler-install";
// A thread started as the platform starts its own recurses 4 KB per frame until its stack overflows.
inline constexpr const char* kOverflowProgramThread = "overflow-program-thread";
// Code without unwind information, walked by its frame pointers alone (ProbeWithoutUnwindInfo.c). A thread
// with a stack of 64 MB recurses kFramePointerRecursionCalls times below its first call and faults in the
// deepest call.
inline constexpr const char* kFramePointerRecursion = "fp-recursion";
inline constexpr int kFramePointerRecursionCalls = 100000;
// A thread waits in such code with its frame pointer on a ring of eight heap words, each naming the next
// (a linked structure, not a stack), and no return address at its stack pointer; then the main thread
// faults.
inline constexpr const char* kFramePointerRing = "fp-ring";
inline constexpr const char* kBench = "bench";
// For the crash benchmark: `walk-bench <report folder> <objects>` loads copies of a small library the
// program's way until the loader lists that many objects, then times the crash-time walk of the loader's
// list, every object already in the image table, and prints the mean nanoseconds of one walk. Exits 0.
inline constexpr const char* kWalkBench = "walk-bench";
// No crash: symbolicates the report a crashed run left in the folder, with this run's images.
inline constexpr const char* kSymbolicate = "symbolicate";

// Exit statuses of the probe that are not a crash.
inline constexpr int kHostHandlerExit = 42;
inline constexpr int kMachReplyExit = 43;
inline constexpr int kMachFailureReplyExit = 44;
inline constexpr int kMachServerStackExit = 46;
// The interposing variant: an allocator or lock call made on an alternate signal stack.
inline constexpr int kAllocationOnSignalStackExit = 86;
inline constexpr int kOriginSiblingLoadedExit = 45;
// The character-set converter the C library loads for kLoadedJustBefore, and the file it comes from.
inline constexpr const char* kConverterCharset = "IBM037";
inline constexpr const char* kConverterModule = "/IBM037.so";

}  // namespace crashprobe
