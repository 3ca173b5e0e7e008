#pragma once

#include <cstdint>
#include <functional>

namespace reporting {

// Start-up timing: a monotonic mark, the milliseconds since it, and a timed block.
using CRKProfileMarkValue = uint64_t;
CRKProfileMarkValue CRKProfileMark();
// Elapsed milliseconds since the mark (0 when the time base cannot be read).
double CRKProfileEndTime(CRKProfileMarkValue mark);
// Runs the block and prints "[Profile] <label>: <ms> ms" to standard error.
void CRKProfileBlock(const char* label, const std::function<void()>& block);

}  // namespace reporting
