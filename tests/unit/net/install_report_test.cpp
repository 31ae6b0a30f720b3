#include "net/install_report.h"

#include <gtest/gtest.h>

#include <string>

#include "support/log_capture.h"

namespace net {
namespace {

constexpr int64_t kSecondUs = 1000000;
constexpr wchar_t kStorage[] = L"http://127.0.0.1:9";

// The escaped address of an attempt is seen end to end.
TEST(InstallReportTest, FailedAttemptCarriesErrorRedirectAndX64) {
  DownloadAttempt attempt;
  attempt.error = L"HttpSendRequest-12029";
  attempt.redirect = L"cdn.example";
  attempt.x64 = true;
  const StatValues values = DownloadAttemptEvent(attempt);
  EXPECT_EQ(values.at(L"status"), L"failed");
  EXPECT_EQ(values.at(L"error"), L"HttpSendRequest-12029");
  EXPECT_EQ(values.at(L"redirect"), L"cdn.example");
  EXPECT_EQ(values.at(L"x64"), L"1");
}

TEST(InstallReportTest, StartedEventReportsTheScaleFactorTimesAHundred) {
  const struct {
    double scale;
    const wchar_t* dpi;
  } cases[] = {{1.0, L"100"}, {2.0, L"200"}, {1.25, L"125"}, {1.15, L"115"}, {144 / 96.0, L"150"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    EXPECT_EQ(InstallerStartedEvent(c.scale, 1600, 1000).at(L"dpi"), c.dpi);
  }
  EXPECT_EQ(InstallerStartedEvent(1.0, 1600, 1000).at(L"resolution"), L"1600x1000");
}

TEST(InstallReportTest, SetupEventsNameTheUpdateAndHowTheSetupIsStarted) {
  EXPECT_EQ(SetupExeLaunchedEvent(true, false, false).at(L"action"), L"update");
  EXPECT_EQ(SetupExeLaunchedEvent(false, false, true).at(L"uac"), L"1");
  EXPECT_EQ(SetupExeLaunchedEvent(false, false, false).at(L"uac"), L"0");
  // Times are whole seconds, rounded down.
  EXPECT_EQ(SetupExeExitedEvent(false, true, true, 7, 62 * kSecondUs - 1),
            (StatValues{{L"action", L"setup"},
                        {L"stage", L"setup_exe_exited"},
                        {L"error", L"7"},
                        {L"setup_time", L"61"}}));
  EXPECT_EQ(DownloadFinishedEvent(3 * kSecondUs - 1).at(L"download_time"), L"2");
}

// The exit codes of a direct run are seen end to end.
TEST(InstallReportTest, SetupExitErrorSkipsTheCodesThatMeanNoFailure) {
  EXPECT_EQ(SetupExitError(false, true, 400), L"FailedToStart");
  EXPECT_EQ(SetupExitError(true, false, 5), L"");
  EXPECT_EQ(SetupExitError(true, true, 400), L"");
  EXPECT_EQ(SetupExitError(true, true, 5), L"5");
}

TEST(InstallReportTest, FinishedUrlCarriesIdResultAndTheTimesThatAreKnown) {
  InstallationOutcome outcome{L"id",          true,          false, 75 * kSecondUs + 999999,
                              15 * kSecondUs, 60 * kSecondUs};
  EXPECT_EQ(GetInstallationFinishedUrl(kStorage, outcome),
            L"http://127.0.0.1:9/get/browser/install?ui=id&result=success&time=75"
            L"&download_time=15&install_time=60");
  outcome.cancelled = true;
  outcome.install_time_us = 0;
  EXPECT_EQ(GetInstallationFinishedUrl(kStorage, outcome),
            L"http://127.0.0.1:9/get/browser/install?ui=id&result=cancelled&time=75"
            L"&download_time=15");
}

TEST(InstallReportTest, FailedFetchIsLoggedWithTheAddress) {
  testing_support::LogCapture capture;
  std::wstring fetched;
  ReportInstallationFinished(
      InstallationOutcome{L"id", false, false, 0, 0, 0},
      [&](const std::wstring& url) {
        fetched = url;
        return false;
      },
      kStorage);
  EXPECT_EQ(fetched, L"http://127.0.0.1:9/get/browser/install?ui=id&result=failed&time=0");
  EXPECT_NE(capture.Text().find(L"ReportInstallationFinished ("), std::wstring::npos);
  EXPECT_NE(capture.Text().find(L"Cannot report installation status:" + fetched),
            std::wstring::npos)
      << capture.Text();
}

}  // namespace
}  // namespace net
