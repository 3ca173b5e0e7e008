#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/base/Date.h"

namespace reporting {

// File helpers of the analytics kit's stages. Paths stand for the platform's file URLs.
class USKFileUtils {
public:
    static std::set<std::string> allFilesInDirectory(const std::string& directory);
    static std::set<std::string> filesWithExtension_inDirectory(const std::string& extension,
                                                                const std::string& directory);
    static uint64_t fileSizeAtURL(const std::string& path);
    static platform::Date fileCreatedDateAtURL_withDefault(const std::string& path, platform::Date fallback);

    // Path pieces: the extension after the last dot of the last component ("" when none), the last
    // component without it, and the path with its extension replaced.
    static std::string pathExtension(const std::string& path);
    static std::string baseName(const std::string& path);
    static std::string replacingExtension(const std::string& path, const std::string& extension);
    // Removes a file, passing the pipeline's fault point first; answers whether it was removed.
    static bool removeStageFile(const std::string& path);
};

}  // namespace reporting
