#include "base/guid.h"

#include <windows.h>
#include <objbase.h>

namespace base {
namespace {

constexpr int kGuidStringChars = 39;  // 38 and the terminating zero

}  // namespace

std::wstring CreateGuidString() {
  GUID guid = {};
  if (FAILED(::CoCreateGuid(&guid))) return std::wstring();
  wchar_t text[kGuidStringChars] = {};
  if (::StringFromGUID2(guid, text, kGuidStringChars) != kGuidStringChars) return std::wstring();
  return text;
}

}  // namespace base
