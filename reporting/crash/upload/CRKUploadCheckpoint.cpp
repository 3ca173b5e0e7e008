#include "reporting/crash/upload/CRKUploadCheckpoint.h"

#include <atomic>

namespace reporting {

namespace {
std::atomic<CRKUploadCheckpointObserver> gObserver{nullptr};
}

void CRKUploadSetCheckpointObserver(CRKUploadCheckpointObserver observer) {
    gObserver.store(observer);
}

void CRKUploadCheckpoint(const char* name) {
    if (const auto observer = gObserver.load()) observer(name);
}

}  // namespace reporting
