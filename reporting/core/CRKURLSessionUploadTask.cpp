#include "reporting/core/CRKURLSessionUploadTask.h"

namespace reporting {

std::shared_ptr<CRKURLSessionUploadTask> CRKURLSessionUploadTask::task() {
    return std::make_shared<CRKURLSessionUploadTask>();
}

}  // namespace reporting
