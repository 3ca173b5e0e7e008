#include "reporting/UsageKit/log/USKCleanupFilesOperation.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/log/USKFileUtils.h"

namespace reporting {

USKCleanupFilesOperation::USKCleanupFilesOperation(std::string directoryUrl,
                                                   int64_t maximumPendingMultipartFiles)
    : directoryUrl_(std::move(directoryUrl)), maximumPendingMultipartFiles_(maximumPendingMultipartFiles) {}

void USKCleanupFilesOperation::main() {
    std::map<std::string, std::string> logs, compressed, packaged;
    for (const auto& path : USKFileUtils::allFilesInDirectory(directoryUrl_)) {
        const std::string extension = USKFileUtils::pathExtension(path);
        const std::string base = USKFileUtils::baseName(path);
        if (extension == "log" && !platform::Files::isDirectory(path)) {
            logs[base] = path;
        } else if (extension == "gz" && !platform::Files::isDirectory(path)) {
            compressed[base] = path;
        } else if (extension == "multipartmime" && !platform::Files::isDirectory(path)) {
            packaged[base] = path;
        } else {
            // Temporary files of an interrupted stage land here too.
            platform::Files::remove(path);
        }
    }
    // A package is named by its log, so a log or "gz" whose package exists has been packaged already;
    // staging it again would send its events twice.
    for (const auto& [base, path] : packaged) {
        for (auto* table : {&logs, &compressed}) {
            auto it = table->find(base);
            if (it == table->end()) continue;
            USKFileUtils::removeStageFile(it->second);
            table->erase(it);
        }
    }
    for (auto it = compressed.begin(); it != compressed.end();) {
        if (!logs.count(it->first)) {
            ++it;
            continue;
        }
        if (!USKFileUtils::removeStageFile(it->second))
            USKLogger::sharedLogger().logWithLabel_format("CleanupOperation", "Failed to remove %s: %s",
                                                          it->second.c_str(), std::strerror(errno));
        it = compressed.erase(it);
    }
    std::vector<std::string> packagedList;
    for (const auto& [base, path] : packaged) packagedList.push_back(path);
    const auto kept =
        URLsByRemovingOldFiles_withMaximumFileCount(packagedList, maximumPendingMultipartFiles_);

    if (!successBlock_) return;
    std::set<std::string> logSet, compressedSet;
    for (const auto& [base, path] : logs) logSet.insert(path);
    for (const auto& [base, path] : compressed) compressedSet.insert(path);
    successBlock_(logSet, compressedSet, std::set<std::string>(kept.begin(), kept.end()));
}

std::vector<std::string> USKCleanupFilesOperation::URLsByRemovingOldFiles_withMaximumFileCount(
    const std::vector<std::string>& urls, int64_t maximum) {
    if (maximum < 0) maximum = 0;
    if (static_cast<int64_t>(urls.size()) <= maximum) return urls;
    std::vector<std::pair<platform::Date, std::string>> dated;
    for (const auto& url : urls)
        dated.emplace_back(USKFileUtils::fileCreatedDateAtURL_withDefault(url, platform::Date::distantPast()),
                           url);
    std::stable_sort(dated.begin(), dated.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> kept;
    for (size_t i = 0; i < dated.size(); ++i) {
        if (static_cast<int64_t>(i) < maximum) {
            kept.push_back(dated[i].second);
        } else {
            USKFileUtils::removeStageFile(dated[i].second);
        }
    }
    return kept;
}

}  // namespace reporting
