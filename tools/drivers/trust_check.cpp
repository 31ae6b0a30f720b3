// For the trust tests, the demo and the benchmark: trusts a root certificate in this prefix, or
// checks a setup program as the installer does before running it.
#include <windows.h>
#include <psapi.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "base/file_util.h"
#include "base/log.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "config/module_trust.h"

namespace {

struct CertStoreTraits {
  using Handle = HCERTSTORE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::CertCloseStore(h, 0); }
};

int AddRoot(const wchar_t* der_path) {
  std::ifstream file(der_path, std::ios::binary);
  const std::string der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  base::ScopedGeneric<CertStoreTraits> store(::CertOpenSystemStoreW(0, L"ROOT"));
  if (der.empty() || !store.IsValid() ||
      !::CertAddEncodedCertificateToStore(
          store.Get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
          static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    std::printf("add-root failed %lu\n", ::GetLastError());
    return 1;
  }
  std::printf("root added\n");
  return 0;
}

// Prints the answer and the peak working set, for the benchmark.
int Check(const wchar_t* path) {
  base::InitLogging(base::GetTempFolder() + base::kLogFileName);
  const bool trusted = config::IsModuleTrusted(path);
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("%s\npeak_working_set=%zu\n", trusted ? "trusted" : "not trusted",
              static_cast<size_t>(counters.PeakWorkingSetSize));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 2 ? argv[1] : L"";
  if (command == L"add-root") return AddRoot(argv[2]);
  if (command == L"check") return Check(argv[2]);
  std::printf(
      "usage: trust_check add-root ROOT.der\n"
      "       trust_check check SETUP.exe\n");
  return 2;
}
