#pragma once

#include <map>
#include <memory>
#include <string>

namespace reporting {

// Settings of a kit URL session. The kit's own session applies only HTTPAdditionalHeaders; the other
// fields are kept for callers that set them. A copy carries only the additional headers.
class CRKURLSessionConfiguration {
public:
    static std::shared_ptr<CRKURLSessionConfiguration> defaultSessionConfiguration();
    static std::shared_ptr<CRKURLSessionConfiguration> ephemeralSessionConfiguration();
    // None: the kit's own session has no background mode, so callers fall back to a default session.
    static std::shared_ptr<CRKURLSessionConfiguration> backgroundSessionConfigurationWithIdentifier(
        const std::string& identifier);
    static std::shared_ptr<CRKURLSessionConfiguration> backgroundSessionConfiguration(
        const std::string& identifier);

    std::shared_ptr<CRKURLSessionConfiguration> copy() const;

    const std::map<std::string, std::string>& HTTPAdditionalHeaders() const { return HTTPAdditionalHeaders_; }
    void setHTTPAdditionalHeaders(std::map<std::string, std::string> headers) {
        HTTPAdditionalHeaders_ = std::move(headers);
    }
    int HTTPCookieAcceptPolicy() const { return HTTPCookieAcceptPolicy_; }
    void setHTTPCookieAcceptPolicy(int policy) { HTTPCookieAcceptPolicy_ = policy; }
    double timeoutIntervalForRequest() const { return timeoutIntervalForRequest_; }
    void setTimeoutIntervalForRequest(double seconds) { timeoutIntervalForRequest_ = seconds; }
    double timeoutIntervalForResource() const { return timeoutIntervalForResource_; }
    void setTimeoutIntervalForResource(double seconds) { timeoutIntervalForResource_ = seconds; }
    bool allowsCellularAccess() const { return allowsCellularAccess_; }
    void setAllowsCellularAccess(bool allows) { allowsCellularAccess_ = allows; }
    bool sessionSendsLaunchEvents() const { return false; }
    void setSessionSendsLaunchEvents(bool) {}

private:
    std::map<std::string, std::string> HTTPAdditionalHeaders_;
    int HTTPCookieAcceptPolicy_ = 2;  // accept cookies from the main document's domain only
    double timeoutIntervalForRequest_ = 60.0;
    double timeoutIntervalForResource_ = 604800.0;
    bool allowsCellularAccess_ = true;
};

}  // namespace reporting
