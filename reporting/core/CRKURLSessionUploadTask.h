#pragma once

#include <memory>

#include "reporting/core/CRKURLSessionDataTask.h"

namespace reporting {

// A data task whose request body streams from a file.
class CRKURLSessionUploadTask : public CRKURLSessionDataTask {
public:
    static std::shared_ptr<CRKURLSessionUploadTask> task();
};

}  // namespace reporting
