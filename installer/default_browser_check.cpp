#include "installer/default_browser_check.h"

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/os_version.h"
#include "base/process_util.h"
#include "installer/exit_codes.h"

namespace installer {
namespace {

using Microsoft::WRL::ComPtr;

constexpr uint64_t kStatusDigitFactor = 1000000000;
constexpr uint32_t kBuildFactor = 10000;
constexpr uint32_t kFirstUnencodedBuild = 29497;
constexpr uint32_t kFirstUnencodedRevision = 7296;
// Builds from which the association interface is known to work without a check.
constexpr uint32_t kLastCheckedBuild = 17703;
constexpr uint32_t kBuildWithFixedRevisions = 17134;
constexpr uint32_t kLastCheckedRevision = 318;

constexpr char kCheckFailed[] = "Failed to check Win10 internal interface availability";

struct CandidateInterface {
  GUID id;
  int kind;
};

// Tried in this order; kind 1 interfaces must also hand out a working sub-object.
constexpr CandidateInterface kCandidates[] = {
    {{0x2A848E25, 0xD688, 0x4AA3, {0x8E, 0x55, 0x0C, 0x16, 0xCB, 0x3A, 0x2D, 0xFB}}, 1},
    {{0xFC0BE3A5, 0x6BE4, 0x423C, {0xB2, 0x87, 0x24, 0x89, 0x34, 0xE3, 0x79, 0xC7}}, 1},
    {{0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}}, 0},
    {{0x1C5C9D10, 0x1225, 0x4C97, {0x8C, 0x51, 0x98, 0xE1, 0xB6, 0xF0, 0xD4, 0xE0}}, 0},
    {{0x229D59E2, 0xF94A, 0x402E, {0x9A, 0x9F, 0x3B, 0x84, 0xA1, 0xAC, 0xED, 0x77}}, 0},
};

// COM for the child's one thread.
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialized_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

// One read of the service's effective handler: it answers with a handler or
// with "no association"; anything else means the service is broken.
bool QueryEffectiveHandler(IApplicationAssociationRegistration* registration, const wchar_t* query,
                           ASSOCIATIONTYPE type) {
  wchar_t* handler = nullptr;
  const HRESULT result = registration->QueryCurrentDefault(query, type, AL_EFFECTIVE, &handler);
  ::CoTaskMemFree(handler);
  return SUCCEEDED(result) || result == HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
}

// A kind 1 interface sits on the association service object, whose
// registration sub-object must answer for web links and web pages.
bool ProbeSubObject(IUnknown* internal_interface) {
  ComPtr<IApplicationAssociationRegistration> registration;
  if (FAILED(internal_interface->QueryInterface(IID_PPV_ARGS(&registration)))) return false;
  return QueryEffectiveHandler(registration.Get(), L"http", AT_URLPROTOCOL) &&
         QueryEffectiveHandler(registration.Get(), L".html", AT_FILEEXTENSION);
}

bool IsDefaultBrowserInterfaceAvailable() {
  for (const CandidateInterface& candidate : kCandidates) {
    ComPtr<IUnknown> internal_interface;
    if (FAILED(::SHCreateAssociationRegistration(
            candidate.id, reinterpret_cast<void**>(internal_interface.GetAddressOf()))) ||
        internal_interface == nullptr) {
      continue;
    }
    return candidate.kind == 0 || ProbeSubObject(internal_interface.Get());
  }
  return false;
}

}  // namespace

uint64_t EncodeInterfaceAvailability(uint32_t status, uint32_t build, uint32_t revision) {
  const uint64_t build_part = build >= kFirstUnencodedBuild ? 0 : uint64_t{build} * kBuildFactor;
  const uint64_t revision_part = revision >= kFirstUnencodedRevision ? 0 : revision;
  const uint64_t status_digit = std::min<uint32_t>(status, kInterfaceCheckFailed);
  return status_digit * kStatusDigitFactor + (build_part + revision_part) % kStatusDigitFactor;
}

DefaultBrowserOffer GetDefaultBrowserOffer(int os_version_index, uint32_t build,
                                           uint32_t revision) {
  if (os_version_index < base::kOsWin8) return DefaultBrowserOffer::kOffered;
  if (os_version_index < base::kOsWin10) return DefaultBrowserOffer::kNotOffered;
  if (build > kLastCheckedBuild ||
      (build == kBuildWithFixedRevisions && revision > kLastCheckedRevision)) {
    return DefaultBrowserOffer::kOfferedOnBuild;
  }
  return DefaultBrowserOffer::kNeedsInterfaceCheck;
}

InterfaceCheckAnswer ReadInterfaceCheckExitCode(int exit_code) {
  if (exit_code == kExitInterfaceAvailable) return InterfaceCheckAnswer::kAvailable;
  if (exit_code == kExitInterfaceNotAvailable) return InterfaceCheckAnswer::kNotAvailable;
  if (exit_code < 0) return InterfaceCheckAnswer::kCrashed;
  return InterfaceCheckAnswer::kUnknown;
}

bool IsInternalInterfaceAvailableSafeCheck(const std::wstring& executable, uint32_t* status) {
  if (executable.empty() || !base::PathExists(executable)) {
    LOG_ERROR << kCheckFailed << ": "
              << "can't get installer exe path.";
    *status = kInterfaceCheckFailed;
    return false;
  }
  base::CommandLine child;
  child.SetProgram(executable);
  child.AppendSwitch("check-the-interface");
  const std::wstring child_text = child.GetCommandLineString();
  const base::ScopedHandle process = base::LaunchProcess(child_text);
  if (!process.IsValid()) {
    LOG_ERROR << kCheckFailed << ": "
              << "can't run installer: " << child_text;
    *status = kInterfaceCheckFailed;
    return false;
  }
  if (::WaitForSingleObject(process.Get(), kInterfaceCheckTimeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), kInterfaceCheckKilledExitCode);
    LOG_ERROR << kCheckFailed << ", "
              << " installer was terminated by timeout.";
    *status = kInterfaceCheckTimedOut;
    return false;
  }
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process.Get(), &exit_code);
  const int code = static_cast<int>(exit_code);
  switch (ReadInterfaceCheckExitCode(code)) {
    case InterfaceCheckAnswer::kCrashed:
      LOG_ERROR << kCheckFailed << ","
                << " ret code: " << code << ", installer crashed";
      *status = kInterfaceCheckCrashed;
      return false;
    case InterfaceCheckAnswer::kUnknown:
      LOG_ERROR << kCheckFailed << ", unknown ret code: " << code;
      *status = kInterfaceCheckFailed;
      return false;
    case InterfaceCheckAnswer::kAvailable:
    case InterfaceCheckAnswer::kNotAvailable:
      break;
  }
  const bool available = code == kExitInterfaceAvailable;
  if (!available) *status = kInterfaceNotAvailable;
  LOG_INFO << "Successfuly checked Win10 internal interface availability: "
           << "availability: " << (available ? 1 : 0);
  return available;
}

bool CanMakeDefaultBrowser(const base::OsInfo& os, const InterfaceCheck& check,
                           uint64_t* availability) {
  *availability = 0;
  const DefaultBrowserOffer offer = GetDefaultBrowserOffer(os.index, os.build, os.update_revision);
  if (offer == DefaultBrowserOffer::kOffered) return true;
  if (offer == DefaultBrowserOffer::kNotOffered) return false;
  uint32_t status = kInterfaceAvailableOrNotChecked;
  const bool available = offer == DefaultBrowserOffer::kOfferedOnBuild || check(&status);
  *availability = EncodeInterfaceAvailability(status, os.build, os.update_revision);
  return available;
}

int CheckDefaultBrowserInterface() {
  const ComScope com;
  return IsDefaultBrowserInterfaceAvailable() ? kExitInterfaceAvailable
                                              : kExitInterfaceNotAvailable;
}

}  // namespace installer
