#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The status line and header fields of an HTTP answer.
class HTTPURLResponse {
public:
    using HeaderFields = std::vector<std::pair<std::string, std::string>>;

    HTTPURLResponse() = default;
    HTTPURLResponse(std::string url, int statusCode, HeaderFields headers)
        : url_(std::move(url)), statusCode_(statusCode), headers_(std::move(headers)) {}

    const std::string& URL() const { return url_; }
    int statusCode() const { return statusCode_; }
    // In the order received; a name sent twice appears twice.
    const HeaderFields& allHeaderFields() const { return headers_; }
    // The first value of the field, the name compared without regard to case.
    std::optional<std::string> valueForHTTPHeaderField(const std::string& name) const;

private:
    std::string url_;
    int statusCode_ = 0;
    HeaderFields headers_;
};

}  // namespace platform
