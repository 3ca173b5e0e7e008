#include "platform/net/URLRequest.h"

#include <algorithm>

#include "platform/base/Strings.h"

namespace platform {

namespace {
bool sameName(const std::string& a, const std::string& b) {
    return caseInsensitiveCompare(a, b) == 0;
}
}  // namespace

std::optional<std::string> URLRequest::valueForHTTPHeaderField(const std::string& name) const {
    for (const auto& [key, value] : headers_)
        if (sameName(key, name)) return value;
    return std::nullopt;
}

void URLRequest::setValue_forHTTPHeaderField(std::optional<std::string> value, const std::string& name) {
    auto it = std::find_if(headers_.begin(), headers_.end(),
                           [&](const auto& h) { return sameName(h.first, name); });
    if (!value) {
        if (it != headers_.end()) headers_.erase(it);
        return;
    }
    if (it != headers_.end()) {
        it->second = std::move(*value);
    } else {
        headers_.emplace_back(name, std::move(*value));
    }
}

void URLRequest::addValue_forHTTPHeaderField(const std::string& value, const std::string& name) {
    auto it = std::find_if(headers_.begin(), headers_.end(),
                           [&](const auto& h) { return sameName(h.first, name); });
    if (it == headers_.end()) {
        headers_.emplace_back(name, value);
    } else {
        it->second += "," + value;
    }
}

double URLRequest::maximumDuration() const {
    if (maximumDuration_ && *maximumDuration_ > 0) return *maximumDuration_;
    const double idle = timeoutInterval_ > 0 ? timeoutInterval_ : kDefaultTimeoutInterval;
    return idle * kMaximumDurationPerTimeoutInterval;
}

void URLRequest::setHTTPBody(std::optional<Data> body) {
    body_ = std::move(body);
    bodyFile_.reset();
    bodyFileLength_ = 0;
}

void URLRequest::setHTTPBodyFile(std::string path, uint64_t length) {
    body_.reset();
    bodyFile_ = std::move(path);
    bodyFileLength_ = length;
}

}  // namespace platform
