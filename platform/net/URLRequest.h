#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Data.h"

namespace platform {

// One HTTP request: address, method, header fields, and a body held in memory or streamed from a file
// of a stated length. A plain value: copies are independent.
class URLRequest {
public:
    using HeaderFields = std::vector<std::pair<std::string, std::string>>;

    // Seconds a transfer may sit without progress before it fails with a time-out.
    static constexpr double kDefaultTimeoutInterval = 60.0;

    URLRequest() = default;
    explicit URLRequest(std::string url, double timeoutInterval = kDefaultTimeoutInterval)
        : url_(std::move(url)), timeoutInterval_(timeoutInterval) {}

    const std::string& URL() const { return url_; }
    void setURL(std::string url) { url_ = std::move(url); }

    // "GET" unless set.
    const std::string& HTTPMethod() const { return method_; }
    void setHTTPMethod(std::string method) { method_ = std::move(method); }

    double timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

    // The longest the whole transfer may take, from its start to its last byte, however steadily it
    // moves: a server that drips its answer fails with a time-out too. Unless set, five times the
    // time-out interval (the default one when that is not positive).
    static constexpr double kMaximumDurationPerTimeoutInterval = 5.0;
    double maximumDuration() const;
    void setMaximumDuration(double seconds) { maximumDuration_ = seconds; }

    // The most bytes the answer's body may hold. A longer answer, announced or arriving, fails the
    // transfer with URLError::DataLengthExceedsMaximum before more than this has been handed on. Callers
    // set what their protocol needs; the default bounds those that do not.
    static constexpr uint64_t kDefaultMaximumResponseLength = 4u << 20;
    uint64_t maximumResponseLength() const { return maximumResponseLength_; }
    void setMaximumResponseLength(uint64_t bytes) { maximumResponseLength_ = bytes; }

    // Kept for callers that state one; this client keeps no cache, so every load goes to the server.
    int cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(int policy) { cachePolicy_ = policy; }

    // Header names compare without regard to case. Setting replaces every value of the name (an empty
    // optional removes it); adding joins a further value to an existing one with a comma.
    std::optional<std::string> valueForHTTPHeaderField(const std::string& name) const;
    void setValue_forHTTPHeaderField(std::optional<std::string> value, const std::string& name);
    void addValue_forHTTPHeaderField(const std::string& value, const std::string& name);
    const HeaderFields& allHTTPHeaderFields() const { return headers_; }

    // A body in memory. Setting one drops a body file, and the reverse.
    const std::optional<Data>& HTTPBody() const { return body_; }
    void setHTTPBody(std::optional<Data> body);

    // A body streamed from a file: exactly `length` bytes are sent from its start. A file that cannot be
    // opened or holds fewer bytes fails the transfer rather than sending a short body.
    const std::optional<std::string>& HTTPBodyFile() const { return bodyFile_; }
    uint64_t HTTPBodyFileLength() const { return bodyFileLength_; }
    void setHTTPBodyFile(std::string path, uint64_t length);

private:
    std::string url_;
    std::string method_ = "GET";
    double timeoutInterval_ = kDefaultTimeoutInterval;
    std::optional<double> maximumDuration_;
    uint64_t maximumResponseLength_ = kDefaultMaximumResponseLength;
    int cachePolicy_ = 0;
    HeaderFields headers_;
    std::optional<Data> body_;
    std::optional<std::string> bodyFile_;
    uint64_t bodyFileLength_ = 0;
};

}  // namespace platform
