#pragma once

#include <string>

namespace reporting {

// How the kit opens a file it writes (logs, their compressed and packaged stages, downloads). Free of
// shared state; any thread may call it.

// Opens the path for writing as a private (0600) file of the kit's, creating it when missing: never
// through a symbolic link (O_NOFOLLOW), never waiting on a pipe or a device, and only when what is at
// the path is a regular file. `flags` adds the access and creation flags the caller wants (O_WRONLY or
// O_RDWR, O_APPEND, O_TRUNC, O_EXCL); O_TRUNC empties the file only once it is known to be a regular
// one. Answers the descriptor (blocking, close-on-exec), or -1 with errno set; a link or another kind
// of file at the path leaves it untouched and answers -1 with ELOOP or EINVAL.
int RKTOpenRegularFileForWriting(const std::string& path, int flags);

}  // namespace reporting
