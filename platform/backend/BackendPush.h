#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

// A push through the hosted backend to the installations subscribed to the channels.
class BackendPush {
public:
    void setChannels(std::vector<std::string> channels) { channels_ = std::move(channels); }
    void setData(Value::Dictionary data) { data_ = std::move(data); }
    const std::vector<std::string>& channels() const { return channels_; }
    const Value::Dictionary& data() const { return data_; }

    using SendCompletion = std::function<void(bool succeeded, const std::optional<Error>& error)>;
    // POST "/push" with {"channels": [...], "data": {...}}; the completion runs on the main run loop.
    void sendPushInBackgroundWithBlock(SendCompletion completion) const;

private:
    std::vector<std::string> channels_;
    Value::Dictionary data_;
};

}  // namespace platform
