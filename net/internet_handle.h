#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/scoped_handle.h"

namespace net {

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::InternetCloseHandle(h); }
};
// Owns a WinINet session, connection or request handle.
using ScopedInternetHandle = base::ScopedGeneric<InternetHandleTraits>;

}  // namespace net
