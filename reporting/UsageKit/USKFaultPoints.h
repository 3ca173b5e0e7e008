#pragma once

#include <string>

namespace reporting {

// Named points of the event pipeline at which the process may be stopped from outside: a test's
// helper program installs a handler that kills the process at a chosen pass, to check that every stage
// survives being cut short. Without a handler a point costs one atomic load.
//
// Points: "write.line.part" (between the two halves of a line, only while a handler is installed),
// "write.line.done" (a line is on disk; detail: the event's identifier, or "metadata"), "stage.write"
// (before a compressed or packaged file is written), "stage.rename" and "stage.renamed" (around the
// rename that completes one), "stage.remove" (before a stage's input or a sent package is removed),
// "upload.answer" (a finished upload's answer has arrived; detail: its name and status).
using USKFaultPointHandler = void (*)(const char* point, const std::string& detail);

void USKSetFaultPointHandler(USKFaultPointHandler handler);
bool USKFaultPointsActive();
void USKFaultPoint(const char* point, const std::string& detail = {});

}  // namespace reporting
