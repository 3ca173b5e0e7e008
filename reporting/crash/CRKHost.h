#pragma once

#include <cstdint>

#include "reporting/crash/CRKFile.h"

namespace reporting {

// Facts of the machine the application runs on, as the report records them.
uint64_t CRKHostGetPageSize();
// The system's minor version 6-16 as the kit's version number (1060 ... 101600); anything else 0.
uint32_t CRKHostOSVersionNumber();
// The "host" section of the metadata file.
bool CRKHostRecordMetadata(CRKFile* file);
// The "storage" section: bytes free and in total on the volume of the Documents folder, or of the home
// when there is no Documents folder; nothing is written when neither can be examined.
// Async-signal-safe (reads the paths from the context).
bool CRKHostRecordStorage(CRKFile* file);

}  // namespace reporting
