#pragma once

#include <string>

#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKELFFile.h"

namespace imagetest {

// The build identifier of an image file as the image records carry it (32 hex digits), "" for a file
// without one, "<unreadable>" for no ELF file.
inline std::string buildIdentifierOfFile(const std::string& path) {
    reporting::CRKELFFile file;
    if (!reporting::CRKELFFileInitWithPath(&file, path.c_str())) return "<unreadable>";
    reporting::CRKELFImageInfo info;
    const bool read = reporting::CRKELFFileReadInfo(&file, &info);
    reporting::CRKELFFileDestroy(&file);
    if (!read || !info.hasBuildID) return "";
    char hex[33];
    reporting::CRKHexEncodeBytes(info.uuid, 16, hex);
    return hex;
}

}  // namespace imagetest
