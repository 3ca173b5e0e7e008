#include "reporting/crash/store/CRKFileReader.h"

#include <unistd.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/storage/Files.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

// Record lines never nest deeper than a few levels; a line nested absurdly deep is taken as corrupt.
constexpr int kMaximumReadDepth = 64;

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
        platform::Value::Array array;
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
        return done.object ? add(std::move(done.dictionary)) : add(std::move(done.array));
    }
    bool add(platform::Value value) {
        // Asked now and then, not at every value: a line of a long record holds millions of them.
        if (stop_ && *stop_ && ++sinceAsked_ == kValuesBetweenStopChecks) {
            sinceAsked_ = 0;
            if ((*stop_)()) {
                stopped_ = true;
                return false;
            }
        }
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

    static constexpr unsigned kValuesBetweenStopChecks = 4096;

    const std::function<bool()>* stop_;
    unsigned sinceAsked_ = 0;
    bool stopped_ = false;
    std::vector<Container> open_;
    platform::Value result_;
};

}  // namespace

std::optional<platform::Value::Array> CRKFileReadSections(const char* path, bool deleteOnFailure,
                                                          const CRKFileSectionTransform& transform,
                                                          size_t maximumSections,
                                                          const std::function<bool()>& stop) {
    if (!path) {
        CRKSDKLOG_ERROR("Error: input path is invalid\n");
        return std::nullopt;
    }
    auto contents = platform::Files::read(path);
    if (!contents) {
        if (deleteOnFailure) unlink(path);
        CRKSDKLOG_WARN("Unable to read file %s\n", path);
        return std::nullopt;
    }
    // Each line stands alone: bytes that are not UTF-8 or a line cut short by a crash cost that line
    // only, never the rest of the file.
    platform::Value::Array sections;
    // Read where they lie: a long record is megabytes, and a copy would only delay a stop.
    const std::string_view text(reinterpret_cast<const char*>(contents->bytes()), contents->size());
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
    return sections;
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
