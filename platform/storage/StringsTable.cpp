#include "platform/storage/StringsTable.h"

#include <map>
#include <mutex>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace platform {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;  // a byte-order mark is no content
    }

    std::optional<StringsTable::Map> run(StringsTable::ParseError* error) {
        StringsTable::Map map;
        for (;;) {
            if (!skipSpaceAndComments()) return fail(error);
            if (pos_ >= text_.size()) break;
            auto key = token();
            if (!key) return fail(error);
            if (!skipSpaceAndComments()) return fail(error);
            std::string value;
            if (peek() == '=') {
                ++pos_;
                if (!skipSpaceAndComments()) return fail(error);
                auto parsed = token();
                if (!parsed) return fail(error);
                value = std::move(*parsed);
                if (!skipSpaceAndComments()) return fail(error);
            } else {
                // "key"; alone gives the key as its own value.
                value = *key;
            }
            if (peek() != ';') {
                reason_ = "a ';' is missing after a pair";
                return fail(error);
            }
            ++pos_;
            map[std::move(*key)] = std::move(value);
        }
        return map;
    }

private:
    std::optional<StringsTable::Map> fail(StringsTable::ParseError* error) {
        if (error) *error = {line_, reason_};
        return std::nullopt;
    }

    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    bool skipSpaceAndComments() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
                size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) {
                    reason_ = "a comment is not closed";
                    return false;
                }
                for (size_t i = pos_; i < end; ++i)
                    if (text_[i] == '\n') ++line_;
                pos_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    static bool isBareCharacter(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '.' || c == '-' || c == '/' || c == ':' || c == '$';
    }

    std::optional<std::string> token() {
        if (peek() == '"') return quoted();
        size_t start = pos_;
        while (pos_ < text_.size() && isBareCharacter(text_[pos_])) ++pos_;
        if (pos_ == start) {
            reason_ = pos_ >= text_.size() ? "the text ends inside a pair" : "a key or value must be quoted";
            return std::nullopt;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    std::optional<uint32_t> hexDigits(size_t count) {
        if (pos_ + count > text_.size()) return std::nullopt;
        uint32_t value = 0;
        for (size_t i = 0; i < count; ++i) {
            char c = text_[pos_ + i];
            int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        pos_ += count;
        return value;
    }

    std::optional<std::string> quoted() {
        ++pos_;                // the opening quote
        std::u16string units;  // unpaired surrogates of \u escapes are joined before conversion
        std::string out;
        auto flushUnits = [&] {
            if (!units.empty()) {
                out += fromUTF16(units);
                units.clear();
            }
        };
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') {
                flushUnits();
                if (!isValidUTF8(out)) {
                    reason_ = "a text is not UTF-8";
                    return std::nullopt;
                }
                return out;
            }
            if (c == '\n') ++line_;
            if (c != '\\') {
                flushUnits();
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            char e = text_[pos_++];
            if (e == 'u' || e == 'U') {
                auto unit = hexDigits(4);
                if (!unit) {
                    reason_ = "\\U needs four hexadecimal digits";
                    return std::nullopt;
                }
                units.push_back(static_cast<char16_t>(*unit));
                continue;
            }
            flushUnits();
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case '0':
                    out += '\0';
                    break;
                case '"':
                    out += '"';
                    break;
                case '\'':
                    out += '\'';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '\n':
                    ++line_;
                    out += '\n';
                    break;
                default:
                    out += e;
                    break;  // an unknown escape stands for the character itself
            }
        }
        reason_ = "a quoted text is not closed";
        return std::nullopt;
    }

    std::string_view text_;
    size_t pos_ = 0;
    size_t line_ = 1;
    std::string reason_ = "unexpected text";
};

std::mutex gCacheMutex;
std::map<std::string, std::shared_ptr<const StringsTable::Map>> gCache;

}  // namespace

std::optional<StringsTable::Map> StringsTable::parse(std::string_view text, ParseError* error) {
    return Parser(text).run(error);
}

std::shared_ptr<const StringsTable::Map> StringsTable::tableAtPath(const std::string& path) {
    {
        std::lock_guard lock(gCacheMutex);
        auto it = gCache.find(path);
        if (it != gCache.end()) return it->second;
    }
    std::shared_ptr<const Map> table;
    if (auto bytes = Files::read(path)) {
        ParseError error{0, ""};
        const auto& raw = bytes->vector();
        auto parsed = parse(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()), &error);
        if (parsed) {
            table = std::make_shared<const Map>(std::move(*parsed));
        } else {
            logf("StringsTable: %s line %zu: %s; the table is not used", path.c_str(), error.line,
                 error.reason.c_str());
        }
    } else {
        logf("StringsTable: no table at %s", path.c_str());
    }
    std::lock_guard lock(gCacheMutex);
    // Another thread may have parsed it meanwhile; the first one stored wins, so callers share one table.
    auto [it, inserted] = gCache.emplace(path, table);
    return it->second;
}

void StringsTable::clearCache() {
    std::lock_guard lock(gCacheMutex);
    gCache.clear();
}

}  // namespace platform
