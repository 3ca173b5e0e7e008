#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace reporting {

// Where symbols for some code come from.
class CRKCodeMapping {
public:
    static std::shared_ptr<CRKCodeMapping> mappingWithURL(const std::string& url);
    explicit CRKCodeMapping(std::string url) : url_(std::move(url)) {}

    const std::string& URL() const { return url_; }
    int32_t source() const { return source_; }
    void setSource(int32_t source) { source_ = source; }
    const std::optional<std::string>& sourceName() const { return sourceName_; }

private:
    std::string url_;
    int32_t source_ = 0;
    std::optional<std::string> sourceName_;
};

}  // namespace reporting
