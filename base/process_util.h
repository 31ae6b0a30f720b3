#pragma once

#include <string>

#include "base/scoped_handle.h"

namespace base {

// Starts a process from a full command line, inheriting no handles; returns
// its handle (invalid on failure).
ScopedHandle LaunchProcess(const std::wstring& command_line, DWORD creation_flags = 0);

}  // namespace base
