#include "reporting/core/RKTFileUtility.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace reporting {

int RKTOpenRegularFileForWriting(const std::string& path, int flags) {
    // Truncation waits for the check below: opening with O_TRUNC would empty whatever regular file a
    // hard link or a race put there before the kit knew what it had opened. Non-blocking for the open
    // only, so that a pipe put at the path does not hold the kit until someone reads it.
    const bool truncate = (flags & O_TRUNC) != 0;
    const int descriptor =
        ::open(path.c_str(), (flags & ~O_TRUNC) | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (descriptor < 0) return -1;
    struct stat opened {};
    int failure = 0;
    if (::fstat(descriptor, &opened) != 0) {
        failure = errno;
    } else if (!S_ISREG(opened.st_mode)) {
        failure = EINVAL;
    } else {
        const int status = ::fcntl(descriptor, F_GETFL);
        if (status < 0 || ::fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK) != 0) {
            failure = errno;
        } else if (truncate && ::ftruncate(descriptor, 0) != 0) {
            failure = errno;
        }
    }
    if (failure == 0) return descriptor;
    ::close(descriptor);
    errno = failure;
    return -1;
}

}  // namespace reporting
