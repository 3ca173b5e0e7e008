#include "reporting/UsageKit/USKFaultPoints.h"

#include <atomic>

namespace reporting {

namespace {
std::atomic<USKFaultPointHandler> gHandler{nullptr};
}  // namespace

void USKSetFaultPointHandler(USKFaultPointHandler handler) {
    gHandler.store(handler);
}

bool USKFaultPointsActive() {
    return gHandler.load() != nullptr;
}

void USKFaultPoint(const char* point, const std::string& detail) {
    if (auto handler = gHandler.load()) handler(point, detail);
}

}  // namespace reporting
