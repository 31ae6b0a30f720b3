#pragma once

#include <string>

namespace base {

// "major.minor.build.patch" from a file's version resource; empty without one.
std::wstring GetFileVersionString(const std::wstring& path);

}  // namespace base
