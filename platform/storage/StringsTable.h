#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

// A string table of the bundle: a UTF-8 text of `"key" = "value";` pairs with C-style comments and the
// escapes \" \\ \n \t \r \0 \' and \Uxxxx / \uxxxx (UTF-16 units, surrogate pairs joined). An unquoted
// key or value of letters, digits and "._-/:" is allowed as well. Parsing refuses the whole text at the
// first fault, with the line it is on, rather than keep half a table.
class StringsTable {
public:
    using Map = std::unordered_map<std::string, std::string>;

    struct ParseError {
        size_t line;
        std::string reason;
    };

    // The pairs of the text; a key given twice keeps its last value.
    static std::optional<Map> parse(std::string_view text, ParseError* error = nullptr);

    // The table of the file, parsed on the first call for that path and kept: later calls read no file.
    // None (and a log line) when the file is missing or malformed; a failure is remembered too.
    static std::shared_ptr<const Map> tableAtPath(const std::string& path);
    // Tests: forget every cached table.
    static void clearCache();
};

}  // namespace platform
