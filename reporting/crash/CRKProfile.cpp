#include "reporting/crash/CRKProfile.h"

#include <cstdio>
#include <ctime>

namespace reporting {

CRKProfileMarkValue CRKProfileMark() {
    struct timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return uint64_t(now.tv_sec) * 1000000000ull + uint64_t(now.tv_nsec);
}

double CRKProfileEndTime(CRKProfileMarkValue mark) {
    const CRKProfileMarkValue now = CRKProfileMark();
    if (now == 0 || mark == 0 || now < mark) return 0;
    return double(now - mark) / 1e6;
}

void CRKProfileBlock(const char* label, const std::function<void()>& block) {
    const CRKProfileMarkValue mark = CRKProfileMark();
    if (block) block();
    fprintf(stderr, "[Profile] %s: %f ms\n", label ? label : "", CRKProfileEndTime(mark));
}

}  // namespace reporting
