#pragma once

namespace reporting {

// The moments at which a report changes place on its way to the server (a move, a rename, a removal,
// an upload's answer). A tool that proves the way survives an interruption at any of them installs an
// observer; without one a checkpoint does nothing.
using CRKUploadCheckpointObserver = void (*)(const char* name);
void CRKUploadSetCheckpointObserver(CRKUploadCheckpointObserver observer);
void CRKUploadCheckpoint(const char* name);

}  // namespace reporting
