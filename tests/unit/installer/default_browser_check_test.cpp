#include "installer/default_browser_check.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "base/file_util.h"
#include "base/os_version.h"
#include "support/log_capture.h"

namespace installer {
namespace {

constexpr char kChildBehaviour[] = "LITE_TEST_INTERFACE_CHILD";

// Started by the tests below as the interface-check child, this program answers
// before any test runs: "hang" never answers, a number is the exit code.
[[maybe_unused]] const bool kIsChild = [] {
  if (std::wcsstr(::GetCommandLineW(), L"--check-the-interface") == nullptr) return false;
  const char* behaviour = std::getenv(kChildBehaviour);
  if (behaviour != nullptr && std::string(behaviour) == "hang") ::Sleep(INFINITE);
  ::ExitProcess(behaviour != nullptr ? static_cast<UINT>(std::atoll(behaviour)) : 0);
}();

// The offer on a Windows version and build, the value the setup gets, and
// whether the child was asked, when it would answer with `child_status`.
std::string Offer(int index, uint32_t build, uint32_t revision, uint32_t child_status) {
  base::OsInfo os;
  os.index = index;
  os.build = build;
  os.update_revision = revision;
  bool asked = false;
  const InterfaceCheck check = [&](uint32_t* status) {
    asked = true;
    *status = child_status;
    return child_status == kInterfaceAvailableOrNotChecked;
  };
  uint64_t value = 1;
  const bool offered = CanMakeDefaultBrowser(os, check, &value);
  return (offered ? "offered " : "refused ") + std::to_string(value) + (asked ? " asked" : "");
}

// A recent Windows 10 build is seen end to end.
TEST(CanMakeDefaultBrowserTest, OldWindows10AloneAsksTheChild) {
  EXPECT_EQ(Offer(base::kOsWin7, 7601, 0, kInterfaceNotAvailable), "offered 0");
  EXPECT_EQ(Offer(base::kOsWin81, 9600, 0, kInterfaceAvailableOrNotChecked), "refused 0");
  EXPECT_EQ(Offer(base::kOsWin10Rs4, 17134, 318, kInterfaceAvailableOrNotChecked),
            "offered 171340318 asked");
  EXPECT_EQ(Offer(base::kOsWin10Rs4, 17134, 319, kInterfaceNotAvailable), "offered 171340319");
  EXPECT_EQ(Offer(base::kOsWin10Rs4, 17133, 999, kInterfaceCheckTimedOut),
            "refused 3171330999 asked");
  EXPECT_EQ(Offer(base::kOsWin10Rs5, 17703, 999, kInterfaceNotAvailable),
            "refused 2177030999 asked");
  // Builds and revisions past what the value can hold are left out.
  EXPECT_EQ(Offer(base::kOsWin10Rs5, 17704, 7296, kInterfaceNotAvailable), "offered 177040000");
  EXPECT_EQ(Offer(base::kOsOther, 29497, 7295, kInterfaceNotAvailable), "offered 7295");
}

// The real child: this test program, answering as kChildBehaviour says.
TEST(SafeCheckTest, ChildsExitCodeOrSilenceGivesTheStatus) {
  struct Row {
    const char* behaviour;
    bool available;
    uint32_t status;
    const wchar_t* log;
  };
  const Row rows[] = {
      {"700", true, kInterfaceAvailableOrNotChecked,
       L"Successfuly checked Win10 internal interface availability: availability: 1"},
      {"701", false, kInterfaceNotAvailable, L"availability: 0"},
      // 0xC0000005, an access violation
      {"3221225477", false, kInterfaceCheckCrashed, L"ret code: -1073741819, installer crashed"},
      {"0", false, kInterfaceCheckFailed, L"unknown ret code: 0"},
      {"hang", false, kInterfaceCheckTimedOut, L"installer was terminated by timeout."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.behaviour);
    testing_support::LogCapture capture;
    ::SetEnvironmentVariableA(kChildBehaviour, row.behaviour);
    uint32_t status = kInterfaceAvailableOrNotChecked;
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(IsInternalInterfaceAvailableSafeCheck(base::GetModulePath(), &status), row.available);
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_EQ(status, row.status);
    EXPECT_NE(capture.Text().find(row.log), std::wstring::npos) << capture.Text();
    EXPECT_LT(elapsed, kInterfaceCheckTimeoutMs + 5000);
    // Only the child that never answers is waited for.
    EXPECT_GE(elapsed, row.status == kInterfaceCheckTimedOut ? kInterfaceCheckTimeoutMs - 100 : 0);
  }
  ::SetEnvironmentVariableA(kChildBehaviour, nullptr);
}

}  // namespace
}  // namespace installer
