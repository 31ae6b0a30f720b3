#pragma once

#include <windows.h>

namespace installer {

enum SecureLoadingStatus : int {
  kInsecureEnvironment = 0,        // end with the exit code out
  kSecureEnvironmentNotFound = 1,  // go on
  kSecureEnvironment = 2,          // go on
  kDllFilesFound = 3,              // end with -200
  kProtectedCopyFinished = 4,      // end with the protected copy's exit code
};

// Where the loader calls of newer systems are looked up. Replaceable so that
// the path of older systems (protected copy, stray DLL check) can run here.
class LoaderCallLookup {
 public:
  virtual ~LoaderCallLookup() = default;
  virtual FARPROC Find(const char* name) const;
};

// Removes the current folder from the DLL search and restricts it to System32,
// or on older systems runs the installer from a fresh folder of its own.
int EnsureSecureDllLoading(int* exit_code, const LoaderCallLookup& lookup);

}  // namespace installer
