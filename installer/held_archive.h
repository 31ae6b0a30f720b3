#pragma once

#include <string>
#include <string_view>

#include "base/scoped_handle.h"

namespace installer {

// Whether `path` names a file directly inside `folder`. Both are full paths
// (no "." or ".." parts, backslashes); `folder` may end with a backslash.
// Letters compare without regard to case. A stream name (":") is refused.
bool IsFileInFolder(std::wstring_view path, std::wstring_view folder);

// Opens the archive for reading and running while others may only read it:
// nobody can write, rename or delete it while the handle lives. A link is
// opened as itself and refused, so the name cannot be pointed elsewhere later.
base::ScopedHandle HoldArchive(const std::wstring& path);

// The elevated copy's guard on an archive path it did not choose: the path
// must lie in `folder` (the user's temporary folder) and the file is held
// from this check on. `held_path` receives the full path that was checked
// and held, the one to run. False, logged, when either fails.
bool HoldArchiveInFolder(const std::wstring& path, const std::wstring& folder,
                         base::ScopedHandle* hold, std::wstring* held_path);

}  // namespace installer
