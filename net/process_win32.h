#pragma once

// The Windows side of the process runner, for tests that hand it handles of their own.
#include "net/process.h"

#include <memory>
#include <windows.h>

// A started process from its process handle and the handle of its first thread (either
// may be null); both are closed when the result is destroyed. Its output reads empty:
// there is no pipe to read.
std::unique_ptr<RunningProcess> AdoptProcessHandles(HANDLE process, HANDLE thread);
