#pragma once

#include <memory>
#include <string>

namespace reporting {

class CRKURLSessionDownloadTask;

// What a download task tells its session when the file is complete.
class CRKURLSessionDownloadDelegate {
public:
    virtual ~CRKURLSessionDownloadDelegate() = default;
    virtual void downloadTask_didFinishDownloadingToURL(
        const std::shared_ptr<CRKURLSessionDownloadTask>& task, const std::string& location) = 0;
};

}  // namespace reporting
