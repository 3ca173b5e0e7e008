#include "reporting/crash/store/CRKFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/base/Log.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/store/CRKChunkedArray.h"

namespace reporting {

namespace {

// Record lines never nest deeper than a few levels; a line nested absurdly deep is taken as corrupt.
constexpr int kMaximumReadDepth = 64;

// Between two looks for a stop, at most this many values are built, or moved into the array they make.
constexpr size_t kWorkBetweenStopChecks = 4096;

using ValueChunks = CRKChunkedArray<platform::Value, kWorkBetweenStopChecks>;

// Builds a line's value as the parser reads it, without a parsed document in between. The parser's own
// callback form rescans an array for values to drop each time one of its objects ends, which made a
// line of a hundred thousand frames (a symbolicated record of a deep recursion) cost billions of steps.
// A value deeper than kMaximumReadDepth containers ends the line, as corrupt.
class ValueBuilder : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit ValueBuilder(const std::function<bool()>* stop) : stop_(stop) {}

    bool null() override { return add(platform::Value()); }
    bool boolean(bool value) override { return add(value); }
    bool number_integer(number_integer_t value) override {
        return add(platform::Number(static_cast<long long>(value)));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return add(platform::Number(static_cast<unsigned long long>(value)));
    }
    bool number_float(number_float_t value, const string_t&) override { return add(value); }
    bool string(string_t& value) override { return add(std::move(value)); }
    bool binary(binary_t&) override { return add(platform::Value()); }
    bool start_object(std::size_t) override { return open(true); }
    bool key(string_t& value) override {
        open_.back().key = std::move(value);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    platform::Value take() { return std::move(result_); }
    bool stopped() const { return stopped_; }

private:
    struct Container {
        bool object = false;
        std::string key;
        // A thread of a deep recursion is one array of hundreds of thousands of values: kept in chunks,
        // its growth never moves more than a chunk's worth between two looks for a stop.
        ValueChunks array;
        platform::Value::Dictionary dictionary;
    };

    bool open(bool object) {
        // The container's depth is the number of containers around it.
        if (static_cast<int>(open_.size()) > kMaximumReadDepth) return false;
        open_.emplace_back();
        open_.back().object = object;
        return true;
    }
    bool close() {
        Container done = std::move(open_.back());
        open_.pop_back();
        if (done.object) return add(std::move(done.dictionary));
        auto array = std::move(done.array).assemble([this] { return worked(ValueChunks::kChunkSize); });
        return array && add(std::move(*array));
    }
    bool add(platform::Value value) {
        if (!worked(1)) return false;
        if (open_.empty()) {
            result_ = std::move(value);
            return true;
        }
        if (static_cast<int>(open_.size()) > kMaximumReadDepth) return false;
        Container& into = open_.back();
        // A name given twice keeps its last value, as a parsed document would.
        if (into.object)
            into.dictionary.insert_or_assign(std::move(into.key), std::move(value));
        else
            into.array.push_back(std::move(value));
        return true;
    }
    // Counts work done (values built, or moved into the array they make) and asks the stop once
    // kWorkBetweenStopChecks of it has been done since the last ask, not at every value: a line of a
    // long record holds millions of them. False once the stop has answered true.
    bool worked(size_t amount) {
        if (!stop_ || !*stop_) return true;
        sinceAsked_ += amount;
        if (sinceAsked_ < kWorkBetweenStopChecks) return true;
        sinceAsked_ = 0;
        if (!(*stop_)()) return true;
        stopped_ = true;
        return false;
    }

    const std::function<bool()>* stop_;
    size_t sinceAsked_ = 0;
    bool stopped_ = false;
    std::vector<Container> open_;
    platform::Value result_;
};

enum class Read { kRead, kFailed, kStopped };

// The file's bytes as they were when it was opened, read a few megabytes at a time with `stop` asked
// between two pieces: a long record is megabytes, and one read of it would hold a stop up for as long as
// its copying takes. Failures are logged as the platform's own file reading logs them.
Read readFile(const char* path, const std::function<bool()>& stop, std::unique_ptr<char[]>& bytes,
              size_t& length) {
    constexpr size_t kBytesBetweenStopChecks = size_t(4) << 20;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            platform::logf("Could not open %s: %s", path, strerror(errno));
        return Read::kFailed;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        platform::logf("Could not read %s: not a regular file", path);
        ::close(fd);
        return Read::kFailed;
    }
    const auto size = static_cast<size_t>(info.st_size);
    // Not zeroed first: that would be one more pass over megabytes that the reading overwrites anyway.
    bytes = std::make_unique_for_overwrite<char[]>(size);
    length = 0;
    for (size_t nextAsk = kBytesBetweenStopChecks; length < size;) {
        if (length >= nextAsk) {
            nextAsk += kBytesBetweenStopChecks;
            if (stop && stop()) {
                ::close(fd);
                return Read::kStopped;
            }
        }
        const ssize_t got = ::read(fd, bytes.get() + length, std::min(size - length, nextAsk - length));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            platform::logf("Could not read %s: %s", path, strerror(errno));
            ::close(fd);
            return Read::kFailed;
        }
        if (got == 0) break;  // cut short since it was opened
        length += static_cast<size_t>(got);
    }
    ::close(fd);
    return Read::kRead;
}

}  // namespace

std::optional<platform::Value::Array> CRKFileReadSections(const char* path, bool deleteOnFailure,
                                                          const CRKFileSectionTransform& transform,
                                                          size_t maximumSections,
                                                          const std::function<bool()>& stop) {
    if (!path) {
        CRKSDKLOG_ERROR("Error: input path is invalid\n");
        return std::nullopt;
    }
    std::unique_ptr<char[]> contents;
    size_t length = 0;
    switch (readFile(path, stop, contents, length)) {
        case Read::kRead:
            break;
        case Read::kStopped:
            return std::nullopt;
        case Read::kFailed:
            if (deleteOnFailure) unlink(path);
            CRKSDKLOG_WARN("Unable to read file %s\n", path);
            return std::nullopt;
    }
    // Each line stands alone: bytes that are not UTF-8 or a line cut short by a crash cost that line
    // only, never the rest of the file. A record of one thread on each of thousands of lines is kept in
    // chunks too.
    ValueChunks sections;
    // Read where they lie: a long record is megabytes, and a copy would only delay a stop.
    const std::string_view text(contents.get(), length);
    size_t start = 0;
    while (start <= text.size() && sections.size() < maximumSections) {
        if (stop && stop()) return std::nullopt;
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        ValueBuilder builder(&stop);
        if (!nlohmann::json::sax_parse(line, &builder)) {
            if (builder.stopped()) return std::nullopt;
            continue;
        }
        platform::Value section = builder.take();
        if (transform) {
            section = transform(section);
            if (section.isNull()) continue;
        }
        sections.push_back(std::move(section));
    }
    return std::move(sections).assemble([&stop] { return !stop || !stop(); });
}

std::string CRKFileHexDecodeString(const char* hex) {
    std::string text;
    if (!hex) return text;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0) break;
        const char byte = static_cast<char>(high << 4 | low);
        // The decoded bytes are taken as a zero-terminated string.
        if (byte == '\0') break;
        text.push_back(byte);
    }
    return text;
}

std::string CRKFileHexEncodeString(const char* text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    if (!text) return hex;
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p; p++) {
        hex.push_back(digits[*p >> 4]);
        hex.push_back(digits[*p & 0xF]);
    }
    return hex;
}

}  // namespace reporting
