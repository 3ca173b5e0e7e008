#include "platform/base/FileDates.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <mutex>

namespace platform {

namespace {
std::mutex gSourceMutex;
FileDates::Source gSource;
}  // namespace

std::optional<Date> FileDates::creationDate(const std::string& path) {
    {
        std::lock_guard lock(gSourceMutex);
        if (gSource) return gSource(path);
    }
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) == 0) {
        const auto& t = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime;
        return Date::dateWithTimeIntervalSince1970(static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9);
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return Date::dateWithTimeIntervalSince1970(static_cast<double>(st.st_mtim.tv_sec) +
                                               st.st_mtim.tv_nsec / 1e9);
}

void FileDates::setCreationDateSourceForTesting(Source source) {
    std::lock_guard lock(gSourceMutex);
    gSource = std::move(source);
}

}  // namespace platform
