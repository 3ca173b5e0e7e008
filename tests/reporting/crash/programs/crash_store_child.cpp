// Helper program of the crash store's tests.
//
//   crash_store_child signal <record file>
//       installs a handler for SIGSEGV on an alternate stack, then touches an inaccessible page; the
//       handler writes a "signal" section and a "threads" section with the record writer (no
//       allocation, no locks, no stdio) and lets the signal end the process.
//   crash_store_child move <store root> <report name>
//       moves active/<report> to processing with the store's own move, then is killed (SIGKILL) before
//       it can move the report on to prepared.

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileManager.h"

namespace {

const char* recordPath = nullptr;
alignas(16) char alternateStack[1 << 16];

// Strings a crash may well carry: a path with a quote, a backslash and a newline, bytes that are not
// UTF-8, and a message that is written hex-encoded.
const char kHostilePath[] = "/tmp/we\"ird\\pa\nth/\x01\xff\xfe.dylib";
const char kThreadName[] = "queue \"main\" \t\\";
const char kMessage[] = "reason: \"quoted\"\n\\ end";

void handler(int number, siginfo_t* info, void*) {
    const int savedErrno = errno;
    reporting::CRKFile file;
    if (reporting::CRKFileInitWithPath(&file, recordPath, false)) {
        reporting::CRKFileWriteSectionStart(&file, "signal");
        reporting::CRKFileWriteHashStart(&file);
        reporting::CRKFileWriteHashEntryUInt64(&file, "number", static_cast<uint64_t>(number));
        reporting::CRKFileWriteHashEntryUInt64(&file, "code", static_cast<uint64_t>(info->si_code));
        reporting::CRKFileWriteHashEntryUInt64(&file, "address", reinterpret_cast<uintptr_t>(info->si_addr));
        reporting::CRKFileWriteHashEntryString(&file, "name", "SIGSEGV");
        reporting::CRKFileWriteHashEntryString(&file, "code_name", "SEGV_ACCERR");
        reporting::CRKFileWriteHashEntryUInt64(&file, "errno", static_cast<uint64_t>(savedErrno));
        reporting::CRKFileWriteHashEntryInt64(&file, "offset", -5);
        reporting::CRKFileWriteHashEntryString(&file, "path", kHostilePath);
        reporting::CRKFileWriteHashEntryHexEncodedString(&file, "reason", kMessage);
        reporting::CRKFileWriteHashEnd(&file);
        reporting::CRKFileWriteSectionEnd(&file);

        reporting::CRKFileWriteSectionStart(&file, "threads");
        reporting::CRKFileWriteArrayStart(&file);
        for (uint64_t thread = 0; thread < 2; thread++) {
            reporting::CRKFileWriteHashStart(&file);
            reporting::CRKFileWriteHashKey(&file, "stacktrace");
            reporting::CRKFileWriteArrayStart(&file);
            for (uint64_t frame = 0; frame < 3; frame++)
                reporting::CRKFileWriteArrayEntryUInt64(&file, 0x1000 * (thread + 1) + frame);
            reporting::CRKFileWriteArrayEnd(&file);
            reporting::CRKFileWriteHashEntryBoolean(&file, "crashed", thread == 0);
            reporting::CRKFileWriteHashEntryString(&file, "name", kThreadName);
            reporting::CRKFileWriteHashEnd(&file);
        }
        reporting::CRKFileWriteArrayEnd(&file);
        reporting::CRKFileWriteSectionEnd(&file);
        reporting::CRKFileClose(&file);
    }
    // The default action ends the process with this signal when the faulting access runs again.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigaction(number, &fallback, nullptr);
}

int crashInSignalHandler(const char* path) {
    recordPath = path;
    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action = {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, nullptr);

    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return 2;
    *static_cast<volatile int*>(page) = 1;
    return 3;  // not reached
}

int killedBetweenMoves(const char* root, const char* name) {
    reporting::CRKFileManager store(root);
    const std::string report = store.activePath() + "/" + name;
    if (!store.moveItemAtPath_toDirectory(report, store.processingPath())) return 4;
    raise(SIGKILL);
    store.moveProcessingContentsToPrepared();  // never reached
    return 5;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "signal") == 0) return crashInSignalHandler(argv[2]);
    if (argc == 4 && strcmp(argv[1], "move") == 0) return killedBetweenMoves(argv[2], argv[3]);
    return 64;
}
