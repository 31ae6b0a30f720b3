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

TEST(EncodeInterfaceAvailabilityTest, PutsStatusDigitBeforeBuildAndRevision) {
  EXPECT_EQ(EncodeInterfaceAvailability(0, 17134, 318), 171340318u);
  EXPECT_EQ(EncodeInterfaceAvailability(2, 17134, 318), 2171340318u);
  EXPECT_EQ(EncodeInterfaceAvailability(3, 16299, 0), 3162990000u);
}

TEST(EncodeInterfaceAvailabilityTest, DropsBuildsAndRevisionsPastTheirLimits) {
  EXPECT_EQ(EncodeInterfaceAvailability(0, 29496, 7295), 294967295u);
  EXPECT_EQ(EncodeInterfaceAvailability(0, 29497, 7295), 7295u);
  EXPECT_EQ(EncodeInterfaceAvailability(1, 29496, 7296), 1294960000u);
}

TEST(EncodeInterfaceAvailabilityTest, StatusAboveFourCountsAsFour) {
  EXPECT_EQ(EncodeInterfaceAvailability(9, 10240, 1), 4102400001u);
  EXPECT_EQ(EncodeInterfaceAvailability(0xFFFFFFFF, 10240, 1), 4102400001u);
}

TEST(GetDefaultBrowserOfferTest, FollowsTheWindowsVersion) {
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin7, 7601, 0), DefaultBrowserOffer::kOffered);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsXp, 2600, 0), DefaultBrowserOffer::kOffered);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin8, 9200, 0), DefaultBrowserOffer::kNotOffered);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin81, 9600, 0), DefaultBrowserOffer::kNotOffered);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin10, 10240, 0),
            DefaultBrowserOffer::kNeedsInterfaceCheck);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsOther, 30000, 0), DefaultBrowserOffer::kOfferedOnBuild);
}

TEST(GetDefaultBrowserOfferTest, ChecksUpToBuild17703AndOld17134Revisions) {
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin10Rs4, 17134, 318),
            DefaultBrowserOffer::kNeedsInterfaceCheck);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin10Rs4, 17134, 319),
            DefaultBrowserOffer::kOfferedOnBuild);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin10Rs4, 17133, 999),
            DefaultBrowserOffer::kNeedsInterfaceCheck);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin10Rs5, 17703, 999),
            DefaultBrowserOffer::kNeedsInterfaceCheck);
  EXPECT_EQ(GetDefaultBrowserOffer(base::kOsWin10Rs5, 17704, 0),
            DefaultBrowserOffer::kOfferedOnBuild);
}

TEST(ReadInterfaceCheckExitCodeTest, TellsAnswersCrashesAndOtherCodesApart) {
  EXPECT_EQ(ReadInterfaceCheckExitCode(700), InterfaceCheckAnswer::kAvailable);
  EXPECT_EQ(ReadInterfaceCheckExitCode(701), InterfaceCheckAnswer::kNotAvailable);
  EXPECT_EQ(ReadInterfaceCheckExitCode(-1), InterfaceCheckAnswer::kCrashed);
  EXPECT_EQ(ReadInterfaceCheckExitCode(static_cast<int>(0xC0000005)),
            InterfaceCheckAnswer::kCrashed);
  for (int code : {0, 22, 699, 702}) {
    EXPECT_EQ(ReadInterfaceCheckExitCode(code), InterfaceCheckAnswer::kUnknown) << code;
  }
}

base::OsInfo Windows(int index, uint32_t build, uint32_t revision) {
  base::OsInfo os;
  os.index = index;
  os.build = build;
  os.update_revision = revision;
  return os;
}

// A check that records its call and answers as told.
struct FakeCheck {
  InterfaceCheck Get() {
    return [this](uint32_t* status) {
      ++calls;
      if (!answer) *status = status_when_not_available;
      return answer;
    };
  }
  int calls = 0;
  bool answer = true;
  uint32_t status_when_not_available = kInterfaceNotAvailable;
};

TEST(CanMakeDefaultBrowserTest, Windows7OffersAndWindows81RefusesWithoutCheckOrValue) {
  FakeCheck check;
  uint64_t value = 1;
  EXPECT_TRUE(CanMakeDefaultBrowser(Windows(base::kOsWin7, 7601, 0), check.Get(), &value));
  EXPECT_EQ(value, 0u);
  value = 1;
  EXPECT_FALSE(CanMakeDefaultBrowser(Windows(base::kOsWin81, 9600, 0), check.Get(), &value));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(check.calls, 0);
}

TEST(CanMakeDefaultBrowserTest, RecentWindows10OffersWithBuildValueAndNoCheck) {
  FakeCheck check;
  uint64_t value = 0;
  EXPECT_TRUE(
      CanMakeDefaultBrowser(Windows(base::kOsWin10_19H1, 19045, 3803), check.Get(), &value));
  EXPECT_EQ(value, 190453803u);
  EXPECT_EQ(check.calls, 0);
}

TEST(CanMakeDefaultBrowserTest, OldWindows10AsksTheChildAndKeepsItsStatus) {
  FakeCheck check;
  uint64_t value = 0;
  EXPECT_TRUE(CanMakeDefaultBrowser(Windows(base::kOsWin10Rs4, 17134, 318), check.Get(), &value));
  EXPECT_EQ(value, 171340318u);
  EXPECT_EQ(check.calls, 1);

  check.answer = false;
  check.status_when_not_available = kInterfaceCheckTimedOut;
  EXPECT_FALSE(CanMakeDefaultBrowser(Windows(base::kOsWin10Rs4, 17134, 318), check.Get(), &value));
  EXPECT_EQ(value, 3171340318u);
  EXPECT_EQ(check.calls, 2);
}

// The real child: this test program, answering as kChildBehaviour says.
class SafeCheckTest : public testing::Test {
 protected:
  ~SafeCheckTest() override { ::SetEnvironmentVariableA(kChildBehaviour, nullptr); }

  bool Check(const char* behaviour) {
    ::SetEnvironmentVariableA(kChildBehaviour, behaviour);
    return IsInternalInterfaceAvailableSafeCheck(base::GetModulePath(), &status);
  }

  testing_support::LogCapture capture;
  uint32_t status = kInterfaceAvailableOrNotChecked;
};

TEST_F(SafeCheckTest, ChildAnswering700MeansAvailable) {
  EXPECT_TRUE(Check("700"));
  EXPECT_EQ(status, kInterfaceAvailableOrNotChecked);
  EXPECT_NE(capture.Text().find(L"Successfuly checked Win10 internal interface availability: "
                                L"availability: 1"),
            std::wstring::npos);
}

TEST_F(SafeCheckTest, ChildAnswering701MeansNotAvailableWithStatus2) {
  EXPECT_FALSE(Check("701"));
  EXPECT_EQ(status, kInterfaceNotAvailable);
  EXPECT_NE(capture.Text().find(L"availability: 0"), std::wstring::npos);
}

TEST_F(SafeCheckTest, NegativeExitCodeIsACrash) {
  EXPECT_FALSE(Check("3221225477"));  // 0xC0000005, an access violation
  EXPECT_EQ(status, kInterfaceCheckCrashed);
  EXPECT_NE(capture.Text().find(L"ret code: -1073741819, installer crashed"), std::wstring::npos);
}

TEST_F(SafeCheckTest, OtherExitCodeIsAFailure) {
  EXPECT_FALSE(Check("0"));
  EXPECT_EQ(status, kInterfaceCheckFailed);
  EXPECT_NE(capture.Text().find(L"unknown ret code: 0"), std::wstring::npos);
}

TEST_F(SafeCheckTest, HangingChildIsKilledAfterThreeSeconds) {
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_FALSE(Check("hang"));
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  EXPECT_GE(elapsed, kInterfaceCheckTimeoutMs - 100);
  EXPECT_LT(elapsed, kInterfaceCheckTimeoutMs + 5000) << "waited " << elapsed << " ms";
  EXPECT_EQ(status, kInterfaceCheckTimedOut);
  EXPECT_NE(capture.Text().find(L"installer was terminated by timeout."), std::wstring::npos);
}

TEST_F(SafeCheckTest, MissingExecutableIsAFailureWithoutChild) {
  status = kInterfaceAvailableOrNotChecked;
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(L"C:\\no\\such\\installer.exe", &status));
  EXPECT_EQ(status, kInterfaceCheckFailed);
  EXPECT_NE(capture.Text().find(L"can't get installer exe path."), std::wstring::npos);
}

}  // namespace
}  // namespace installer
