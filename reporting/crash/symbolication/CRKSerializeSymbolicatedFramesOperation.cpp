#include "reporting/crash/symbolication/CRKSerializeSymbolicatedFramesOperation.h"

#include <unistd.h>

#include <cstdio>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/crash/CRKFile.h"

namespace reporting {

namespace {

const char* orNull(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

}  // namespace

void CRKSerializeSymbolicatedFramesOperation::main() {
    const std::string folder = platform::Files::parentPath(outputPath_);
    const std::string partial = (folder.empty() ? std::string() : folder + "/") + "." +
                                platform::Files::lastPathComponent(outputPath_) + ".partial";
    unlink(partial.c_str());
    CRKFile file;
    if (!CRKFileInitWithPathMode(&file, partial.c_str(), false, true)) {
        platform::logf("[CrashKit:Crash:Symbolication] Failed to create output file");
        return;
    }
    CRKFileWriteSectionStart(&file, "threads");
    CRKFileWriteArrayStart(&file);
    if (threadArray()) {
        for (const auto& thread : *threadArray()) {
            CRKFileWriteArrayStart(&file);
            for (const auto& frame : thread) {
                if (isCancelled()) {
                    // Half a record would pass for the whole once renamed: the partial file goes.
                    CRKFileCloseWithOffset(&file, nullptr);
                    unlink(partial.c_str());
                    return;
                }
                if (!frame) continue;
                CRKFileWriteHashStart(&file);
                CRKFileWriteHashEntryString(&file, "symbol", orNull(frame->symbol));
                if (frame->rawSymbol != frame->symbol)
                    CRKFileWriteHashEntryString(&file, "raw_symbol", orNull(frame->rawSymbol));
                CRKFileWriteHashEntryUInt64(&file, "offset", frame->offset);
                CRKFileWriteHashEntryString(&file, "library", orNull(frame->library));
                CRKFileWriteHashEnd(&file);
            }
            CRKFileWriteArrayEnd(&file);
        }
    }
    CRKFileWriteArrayEnd(&file);
    CRKFileWriteSectionEnd(&file);
    uint64_t written = 0;
    const bool closed = CRKFileCloseWithOffset(&file, &written);
    // Cancelled while the last bytes went out (a long record's close takes a while): not put in place.
    if (isCancelled()) {
        unlink(partial.c_str());
        return;
    }
    if (!closed || written == 0 || !platform::Files::move(partial, outputPath_)) {
        platform::logf("[CrashKit:Crash:Symbolication] Failed to create output file");
        unlink(partial.c_str());
    }
}

}  // namespace reporting
