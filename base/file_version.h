#pragma once

#include <windows.h>

#include <string>

namespace base {

// "major.minor.build.patch" from a file's version resource; empty without one.
std::wstring GetFileVersionString(const std::wstring& path);
// The fixed part of a file's version resource; false without one.
bool GetFixedFileInfo(const std::wstring& path, VS_FIXEDFILEINFO* fixed_info);

}  // namespace base
