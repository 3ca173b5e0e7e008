#include "reporting/crash/store/CRKFileReader.h"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "platform/storage/Files.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

// Record lines never nest deeper than a few levels; a line nested absurdly deep is taken as corrupt.
constexpr int kMaximumReadDepth = 64;

platform::Value toValue(const nlohmann::json& node) {
    switch (node.type()) {
        case nlohmann::json::value_t::object: {
            platform::Value::Dictionary dictionary;
            for (auto it = node.begin(); it != node.end(); ++it)
                dictionary.emplace(it.key(), toValue(it.value()));
            return dictionary;
        }
        case nlohmann::json::value_t::array: {
            platform::Value::Array array;
            array.reserve(node.size());
            for (const auto& element : node) array.push_back(toValue(element));
            return array;
        }
        case nlohmann::json::value_t::string:
            return node.get<std::string>();
        case nlohmann::json::value_t::boolean:
            return node.get<bool>();
        case nlohmann::json::value_t::number_unsigned:
            return platform::Number(static_cast<unsigned long long>(node.get<uint64_t>()));
        case nlohmann::json::value_t::number_integer:
            return platform::Number(static_cast<long long>(node.get<int64_t>()));
        case nlohmann::json::value_t::number_float:
            return node.get<double>();
        default:
            return platform::Value();
    }
}

}  // namespace

std::optional<platform::Value::Array> CRKFileReadSections(const char* path, bool deleteOnFailure,
                                                          const CRKFileSectionTransform& transform,
                                                          size_t maximumSections) {
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
    const std::string text = contents->toString();
    size_t start = 0;
    while (start <= text.size() && sections.size() < maximumSections) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        bool tooDeep = false;
        auto limitDepth = [&tooDeep](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
            if (depth > kMaximumReadDepth) tooDeep = true;
            return !tooDeep;
        };
        nlohmann::json parsed = nlohmann::json::parse(line, limitDepth, false);
        if (parsed.is_discarded() || tooDeep) continue;
        platform::Value section = toValue(parsed);
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
