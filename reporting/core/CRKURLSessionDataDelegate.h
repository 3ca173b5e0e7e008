#pragma once

#include <memory>

#include "platform/base/Data.h"
#include "platform/net/HTTPURLResponse.h"

namespace reporting {

class CRKURLSessionTask;

// What a data task tells its session as the answer arrives.
class CRKURLSessionDataDelegate {
public:
    virtual ~CRKURLSessionDataDelegate() = default;
    virtual void task_didReceiveResponse(const std::shared_ptr<CRKURLSessionTask>& task,
                                         const platform::HTTPURLResponse& response) = 0;
    virtual void task_didReceiveData(const std::shared_ptr<CRKURLSessionTask>& task,
                                     const platform::Data& data) = 0;
};

}  // namespace reporting
