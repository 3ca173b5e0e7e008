#include "reporting/core/CRKURLSessionDownloadTask.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/core/CRKURLSession.h"
#include "reporting/core/RKTByteUtility.h"
#include "reporting/core/RKTFileUtility.h"

namespace {

// A downloaded answer may carry the kit's settings: it is readable by the user alone. Its name is new,
// in the shared temporary folder: the file is made here (O_EXCL), never reached through a link another
// user put at that name.
FILE* openPrivately(const std::string& path) {
    const int fd = reporting::RKTOpenRegularFileForWriting(path, O_WRONLY | O_EXCL);
    if (fd < 0) return nullptr;
    FILE* stream = ::fdopen(fd, "wb");
    if (!stream) ::close(fd);
    return stream;
}

}  // namespace

namespace reporting {

std::shared_ptr<CRKURLSessionDownloadTask> CRKURLSessionDownloadTask::task() {
    return std::make_shared<CRKURLSessionDownloadTask>();
}

CRKURLSessionDownloadTask::CRKURLSessionDownloadTask()
    : targetURL_(platform::StandardFolders::temporary() + "/" + RKTGenerateUUID()) {}

CRKURLSessionDownloadTask::~CRKURLSessionDownloadTask() {
    closeStream();
}

CRKURLSessionDownloadTask::DownloadCompletionHandler CRKURLSessionDownloadTask::downloadCompletionHandler()
    const {
    std::lock_guard lock(mutex_);
    return downloadCompletionHandler_;
}

void CRKURLSessionDownloadTask::setDownloadCompletionHandler(DownloadCompletionHandler handler) {
    std::lock_guard lock(mutex_);
    downloadCompletionHandler_ = std::move(handler);
}

void CRKURLSessionDownloadTask::closeStream() {
    if (outputStream_) fclose(outputStream_);
    outputStream_ = nullptr;
}

void CRKURLSessionDownloadTask::didReceiveDataOnQueue(const platform::Data& chunk) {
    writeDataToStream(chunk);
}

void CRKURLSessionDownloadTask::writeDataToStream(const platform::Data& data) {
    if (!streamOpened_) {
        streamOpened_ = true;
        outputStream_ = openPrivately(targetURL_);
    }
    bool failed = !outputStream_;
    RKTEnumerateByteRangesOfData(data, [&](const uint8_t* bytes, size_t, size_t length, bool& stop) {
        if (failed) {
            stop = true;
            return;
        }
        if (length > 0 && fwrite(bytes, 1, length, outputStream_) != length) {
            failed = true;
            stop = true;
        }
    });
    if (failed) {
        platform::logf("[ReportKit] download to %s failed: the file cannot be written", targetURL_.c_str());
        completeForError();
    }
}

void CRKURLSessionDownloadTask::completeForError() {
    closeStream();
    cancelConnection();
    if (!error()) setError(KitError::errorWithDomain_code_userInfo(kErrorDomain, -1));
    complete();
}

void CRKURLSessionDownloadTask::cleanup() {
    if (platform::Files::exists(targetURL_)) platform::Files::remove(targetURL_);
}

void CRKURLSessionDownloadTask::complete() {
    if (!markCompleted()) return;
    auto me = std::static_pointer_cast<CRKURLSessionDownloadTask>(shared_from_this());
    const KitErrorPtr error = this->error();
    if (!error) {
        // An empty answer still gives the owner a file to read.
        if (!streamOpened_) outputStream_ = openPrivately(targetURL_);
        streamOpened_ = true;
        if (outputStream_ && fflush(outputStream_) != 0) platform::logf("[ReportKit] download flush failed");
    }
    closeStream();

    auto session = delegate();
    DownloadCompletionHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = std::move(downloadCompletionHandler_);
        downloadCompletionHandler_ = nullptr;
    }
    auto run = [session](std::function<void()> work) {
        if (session) {
            session->performOnDelegateQueue(std::move(work));
        } else {
            work();
        }
    };
    if (handler)
        run([handler, location = targetURL_, response = response(), error] {
            handler(location, response, error);
        });
    if (!error && session) {
        session->downloadTask_didFinishDownloadingToURL(me, targetURL_);
    } else {
        run([me] { me->cleanup(); });  // nobody reads a failed download's partial file
    }
    if (session) session->task_didCompleteWithError(me, error);
}

}  // namespace reporting
