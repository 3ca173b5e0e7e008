#include "main/StandardStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace kestrune {

void StandardStreams::openTheClosedOnNull() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // Not close-on-exec: the programs the application starts inherit their standard streams from it.
        const int opened = open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        // Those below are open by now: open takes the lowest free descriptor, this one. Anything else means
        // it was taken meanwhile, and what took it keeps it.
        if (opened >= 0 && opened != descriptor) close(opened);
    }
}

bool StandardStreams::goesNowhere(int descriptor) {
    struct stat stream {
    }, null{};
    return fstat(descriptor, &stream) == 0 && S_ISCHR(stream.st_mode) && stat("/dev/null", &null) == 0 &&
           S_ISCHR(null.st_mode) && stream.st_rdev == null.st_rdev;
}

}  // namespace kestrune
