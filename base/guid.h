#pragma once

#include <string>

namespace base {

// A new random GUID in registry form: 38 characters, braces, upper-case
// hexadecimal digits. Empty when the system cannot make one.
std::wstring CreateGuidString();

}  // namespace base
