#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "reporting/core/Operation.h"
#include "reporting/core/RKTMultipartMimeStreamEncoder.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "reporting/crash/store/CRKInternalReport.h"

namespace reporting {

// Turns one report folder into one upload file in the store's prepared folder: a multipart body with
// the API key, the report's identifier and every file of the folder gzip-compressed. The file's base
// name is the body's boundary. The package is written under a hidden name inside the report folder and
// renamed into the prepared folder only when every byte reached the disk, so the prepared folder never
// holds a cut body; a failed write leaves no package and no finalPath (the report stays where it is).
// So does a cancellation, from any thread: it is seen between two files and between two megabytes of
// a file's reading and compression, and what was begun is thrown away.
class CRKPackageReportOperation : public Operation {
public:
    CRKPackageReportOperation(std::shared_ptr<CRKInternalReport> report,
                              std::shared_ptr<CRKFileManager> fileManager);  // initWithReport:fileManager:
    void main() override;

    std::string reportPath() const;
    std::string destinationDirectory() const;
    std::string packagedPathWithName(const std::string& name) const;
    void encode_data_fromPath(RKTMultipartMimeStreamEncoder& encoder, const platform::Data& data,
                              const std::string& path);
    // The same for the file `path` open as `source`, read a megabyte at a time as it is compressed.
    void encode_file(RKTMultipartMimeStreamEncoder& encoder, int source, const std::string& path);
    static bool compressData_toPath(const platform::Data& data, const std::string& path);

    const std::shared_ptr<CRKInternalReport>& report() const { return report_; }
    const std::shared_ptr<CRKFileManager>& fileManager() const { return fileManager_; }
    std::optional<std::string> finalPath() const { return finalPath_; }
    void setFinalPath(std::optional<std::string> path) { finalPath_ = std::move(path); }

    // Tests only: the next package write takes at most this many bytes and then fails, as a full disk.
    static void failNextPackageWriteAfter(size_t bytes);

private:
    // Adds the file at `path` to the body as its gzip copy, which `compress` makes at the path it is
    // given; when that fails (but for a cancellation) the file goes in as it is.
    void encodeCompressed(RKTMultipartMimeStreamEncoder& encoder, const std::string& path,
                          const std::function<bool(const std::string&)>& compress);

    std::shared_ptr<CRKInternalReport> report_;
    std::shared_ptr<CRKFileManager> fileManager_;
    std::optional<std::string> finalPath_;
};

}  // namespace reporting
