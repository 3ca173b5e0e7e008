#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "reporting/core/CRKURLSessionDataTask.h"

namespace reporting {

// A data task that writes the answer's bytes to a temporary file instead of keeping them. The file is
// removed once the owner has heard of it (or at once when nobody listens), and after a failure.
class CRKURLSessionDownloadTask : public CRKURLSessionDataTask {
public:
    static constexpr const char* kErrorDomain = "CRKURLSessionDownloadTaskError";

    using DownloadCompletionHandler = std::function<void(
        const std::optional<std::string>& location, const std::optional<platform::HTTPURLResponse>& response,
        const KitErrorPtr& error)>;

    static std::shared_ptr<CRKURLSessionDownloadTask> task();

    CRKURLSessionDownloadTask();
    ~CRKURLSessionDownloadTask() override;

    const std::string& targetURL() const { return targetURL_; }
    DownloadCompletionHandler downloadCompletionHandler() const;
    void setDownloadCompletionHandler(DownloadCompletionHandler handler);

    // On the task's queue: opens the file at the first chunk and appends every byte range of the chunk.
    void writeDataToStream(const platform::Data& data);
    // On the task's queue: the file could not be written; the transfer stops and the task completes
    // with the connection's error, else CRKURLSessionDownloadTaskError -1.
    void completeForError();
    void cleanup() override;

protected:
    void didReceiveDataOnQueue(const platform::Data& chunk) override;
    void complete() override;

private:
    void closeStream();

    const std::string targetURL_;
    FILE* outputStream_ = nullptr;  // task queue only
    bool streamOpened_ = false;     // task queue only
    DownloadCompletionHandler downloadCompletionHandler_;
};

}  // namespace reporting
