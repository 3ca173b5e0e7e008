#include "features/history/TextFileManagement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace kestrune {

std::optional<std::string> TextFileManagement::stringContentOfFileAtPath(const std::string& path) {
    auto data = platform::Files::read(path);
    if (!data) return std::nullopt;
    std::string text(data->vector().begin(), data->vector().end());
    if (!platform::isValidUTF8(text)) return std::nullopt;
    return text;
}

std::optional<std::string> TextFileManagement::lastLineOfFile(const std::string& path, size_t longestLine) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    const off_t size = info.st_size;
    // Blocks from the end, each searched once for a line feed, until one shows up or the limit is
    // reached: a long file costs no more than its last line, and a damaged one no more than the limit.
    constexpr off_t kBlock = 4096;
    const off_t limit = static_cast<off_t>(std::min<size_t>(longestLine, size_t(1) << 40));
    const off_t floor = size > limit + 1 ? size - limit - 1 : 0;  // one byte more: the feed before it
    std::vector<char> tail(static_cast<size_t>(size - floor));    // the bytes from `floor` to the end
    off_t end = size;
    while (end > floor) {
        const off_t start = end - floor > kBlock ? end - kBlock : floor;
        char* block = tail.data() + (start - floor);
        const size_t length = static_cast<size_t>(end - start);
        if (pread(fd, block, length, start) != static_cast<ssize_t>(length)) {
            close(fd);
            return std::nullopt;
        }
        for (size_t i = length; i-- > 0;) {
            if (block[i] != '\n') continue;
            close(fd);
            const size_t from = static_cast<size_t>(start - floor) + i + 1;
            return std::string(tail.data() + from, tail.size() - from);
        }
        end = start;
    }
    close(fd);
    if (size <= limit) return std::string(tail.begin(), tail.end());  // one line: the whole file
    platform::logf("The last line of %s is longer than %zu bytes: it is not read", path.c_str(), longestLine);
    return std::nullopt;
}

std::string TextFileManagement::stringWithSpaces(long count) {
    return count > 0 ? std::string(static_cast<size_t>(count), ' ') : std::string();
}

std::string TextFileManagement::appendEmptyStringToString_toCharacterIndex(const std::string& text,
                                                                           long length) {
    return text + stringWithSpaces(length - static_cast<long>(platform::utf16Length(text)));
}

std::string TextFileManagement::stringFromTimeInterval(double seconds) {
    // A clock set back between unlock and lock would give a negative length: it reads as none.
    long n = std::isfinite(seconds) && seconds > 0 ? static_cast<long>(seconds) : 0;
    return platform::format("%02ldh :%02ldm :%02lds", n / 3600, (n / 60) % 60, n % 60);
}

}  // namespace kestrune
