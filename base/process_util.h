#pragma once

#include <string>

#include "base/scoped_handle.h"

namespace base {

// Starts a process from a full command line; returns its handle (invalid on failure).
ScopedHandle LaunchProcess(const std::wstring& command_line, bool inherit_handles = false);

}  // namespace base
