#include "reporting/UsageKit/log/USKFileUtils.h"

#include <unistd.h>

#include "platform/base/FileDates.h"
#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"

namespace reporting {

std::set<std::string> USKFileUtils::allFilesInDirectory(const std::string& directory) {
    std::set<std::string> files;
    if (!platform::Files::isDirectory(directory)) {
        USKLogger::sharedLogger().log("Unable to read contents of %s: %s", directory.c_str(),
                                      "no such folder");
        return files;
    }
    for (const auto& name : platform::Files::listDirectory(directory)) files.insert(directory + "/" + name);
    return files;
}

std::set<std::string> USKFileUtils::filesWithExtension_inDirectory(const std::string& extension,
                                                                   const std::string& directory) {
    std::set<std::string> files;
    for (const auto& path : allFilesInDirectory(directory))
        if (pathExtension(path) == extension) files.insert(path);
    return files;
}

uint64_t USKFileUtils::fileSizeAtURL(const std::string& path) {
    return platform::Files::fileSize(path).value_or(0);
}

platform::Date USKFileUtils::fileCreatedDateAtURL_withDefault(const std::string& path,
                                                              platform::Date fallback) {
    return platform::FileDates::creationDate(path).value_or(fallback);
}

std::string USKFileUtils::pathExtension(const std::string& path) {
    const std::string last = platform::Files::lastPathComponent(path);
    const size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    return last.substr(dot + 1);
}

std::string USKFileUtils::baseName(const std::string& path) {
    const std::string last = platform::Files::lastPathComponent(path);
    const size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0) return last;
    return last.substr(0, dot);
}

std::string USKFileUtils::replacingExtension(const std::string& path, const std::string& extension) {
    const std::string parent = platform::Files::parentPath(path);
    return (parent.empty() ? "" : parent + "/") + baseName(path) + "." + extension;
}

bool USKFileUtils::removeStageFile(const std::string& path) {
    USKFaultPoint("stage.remove", path);
    return ::unlink(path.c_str()) == 0;
}

}  // namespace reporting
