#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace base {
struct OsInfo;
}  // namespace base

namespace installer {

// The child is killed when it has not answered by then.
inline constexpr DWORD kInterfaceCheckTimeoutMs = 3000;  // 3 seconds
// Exit code given to a child killed after the time-out.
inline constexpr UINT kInterfaceCheckKilledExitCode = 22;

// Why the default-browser interface is not available; the leading digit of the
// value handed to the setup as "the-interface-availability".
enum InterfaceCheckStatus : uint32_t {
  kInterfaceAvailableOrNotChecked = 0,
  kInterfaceCheckCrashed = 1,
  kInterfaceNotAvailable = 2,
  kInterfaceCheckTimedOut = 3,
  kInterfaceCheckFailed = 4,
};

// The status digit (above 4 counts as 4), the Windows build (0 from 29497 on)
// and its update revision (0 from 7296 on) as one decimal value.
uint64_t EncodeInterfaceAvailability(uint32_t status, uint32_t build, uint32_t revision);

// What the make-default offer needs on a Windows version.
enum class DefaultBrowserOffer {
  kOffered,         // Windows 7 and older: no question, no value for the setup
  kNotOffered,      // Windows 8 and 8.1
  kOfferedOnBuild,  // Windows 10 builds whose interface is known to work
  kNeedsInterfaceCheck,
};
DefaultBrowserOffer GetDefaultBrowserOffer(int os_version_index, uint32_t build, uint32_t revision);

// The answer of an interface-check child, read from its exit code.
enum class InterfaceCheckAnswer { kAvailable, kNotAvailable, kCrashed, kUnknown };
InterfaceCheckAnswer ReadInterfaceCheckExitCode(int exit_code);

// Runs `executable` with check-the-interface, kills it after three seconds and
// returns whether the interface is available; `status` gets the reason when not.
bool IsInternalInterfaceAvailableSafeCheck(const std::wstring& executable, uint32_t* status);

// Whether the browser may offer to become the default browser here.
// `availability` gets the value for the setup, 0 when it gets none. `check`
// runs the interface check and sets its status.
using InterfaceCheck = std::function<bool(uint32_t* status)>;
bool CanMakeDefaultBrowser(const base::OsInfo& os, const InterfaceCheck& check,
                           uint64_t* availability);

// The interface-check child: probes the default-browser association interface
// of Windows 10 in this process and returns 700 (available) or 701.
int CheckDefaultBrowserInterface();

}  // namespace installer
