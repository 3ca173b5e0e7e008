#include "features/history/TextFileManagement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <vector>

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

std::optional<std::string> TextFileManagement::lastLineOfFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    off_t end = lseek(fd, 0, SEEK_END);
    if (end < 0) {
        close(fd);
        return std::nullopt;
    }
    // Blocks from the end until a line feed shows up: a long file costs no more than its last line.
    std::string tail;
    constexpr off_t kBlock = 4096;
    while (end > 0) {
        const off_t start = end > kBlock ? end - kBlock : 0;
        std::vector<char> block(static_cast<size_t>(end - start));
        if (pread(fd, block.data(), block.size(), start) != static_cast<ssize_t>(block.size())) {
            close(fd);
            return std::nullopt;
        }
        tail.insert(0, block.data(), block.size());
        const size_t feed = tail.rfind('\n');
        if (feed != std::string::npos) {
            close(fd);
            return tail.substr(feed + 1);
        }
        end = start;
    }
    close(fd);
    return tail;
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
