#include "net/install_report.h"

#include <gtest/gtest.h>

#include <string>

#include "support/log_capture.h"

namespace net {
namespace {

constexpr int64_t kSecondUs = 1000000;
constexpr wchar_t kStorage[] = L"http://127.0.0.1:9";

TEST(InstallReportTest, DownloadFinishedSendsWholeSeconds) {
  EXPECT_EQ(DownloadFinishedEvent(3 * kSecondUs - 1).at(L"download_time"), L"2");
}

TEST(InstallReportTest, SuccessfulAttemptHasNoErrorAndOmitsEmptyFields) {
  DownloadAttempt attempt;
  attempt.success = true;
  attempt.error = L"ignored";
  attempt.attempt_number = 1;
  attempt.downloaded_size = 5000000000ull;
  attempt.total_size = 5000000000ull;
  EXPECT_EQ(DownloadAttemptEvent(attempt), (StatValues{{L"action", L"download_attempt"},
                                                       {L"status", L"success"},
                                                       {L"attempt_number", L"1"},
                                                       {L"downloaded_size", L"5000000000"},
                                                       {L"total_size", L"5000000000"}}));
}

TEST(InstallReportTest, FailedAttemptCarriesErrorEscapedUrlRedirectAndX64) {
  DownloadAttempt attempt;
  attempt.error = L"HttpSendRequest-12029";
  attempt.attempt_number = 4;
  attempt.url = L"https://d.example/setup.exe?a=1,2";
  attempt.redirect = L"cdn.example";
  attempt.x64 = true;
  const StatValues values = DownloadAttemptEvent(attempt);
  EXPECT_EQ(values.at(L"status"), L"failed");
  EXPECT_EQ(values.at(L"error"), L"HttpSendRequest-12029");
  EXPECT_EQ(values.at(L"url"), L"https:%2F%2Fd.example%2Fsetup.exe%3Fa%3D1%2C2");
  EXPECT_EQ(values.at(L"redirect"), L"cdn.example");
  EXPECT_EQ(values.at(L"x64"), L"1");
}

TEST(InstallReportTest, UpdateReplacesSetupAsTheAction) {
  EXPECT_EQ(SetupExeLaunchedEvent(true, false, false).at(L"action"), L"update");
  EXPECT_EQ(SetupExeExitedEvent(false, true, false, 0, 0).at(L"action"), L"setup");
}

TEST(InstallReportTest, UacFieldSaysHowTheSetupIsStarted) {
  EXPECT_EQ(SetupExeLaunchedEvent(false, true, true).at(L"uac"), L"100");
  EXPECT_EQ(SetupExeLaunchedEvent(false, false, true).at(L"uac"), L"1");
  EXPECT_EQ(SetupExeLaunchedEvent(false, false, false).at(L"uac"), L"0");
}

TEST(InstallReportTest, SetupThatDidNotRunFailedToStart) {
  EXPECT_EQ(SetupExitError(false, false, 0), L"FailedToStart");
  EXPECT_EQ(SetupExitError(false, true, 400), L"FailedToStart");
}

TEST(InstallReportTest, DirectRunReportsEveryExitCodeButOneThreeAndFive) {
  for (uint32_t code : {1u, 3u, 5u}) EXPECT_EQ(SetupExitError(true, false, code), L"") << code;
  EXPECT_EQ(SetupExitError(true, false, 0), L"0");
  EXPECT_EQ(SetupExitError(true, false, 400), L"400");
  EXPECT_EQ(SetupExitError(true, false, 0xC0000005u), L"3221225477");
}

TEST(InstallReportTest, ElevatedRunReportsEveryExitCodeBut400) {
  EXPECT_EQ(SetupExitError(true, true, 400), L"");
  EXPECT_EQ(SetupExitError(true, true, 3), L"3");
}

TEST(InstallReportTest, SetupExitedCarriesErrorAndSetupTime) {
  EXPECT_EQ(SetupExeExitedEvent(false, true, false, 7, 61 * kSecondUs),
            (StatValues{{L"action", L"setup"},
                        {L"stage", L"setup_exe_exited"},
                        {L"error", L"7"},
                        {L"setup_time", L"61"}}));
  EXPECT_EQ(SetupExeExitedEvent(false, true, false, 3, 0).count(L"error"), 0u);
}

TEST(InstallReportTest, FinishedUrlCarriesIdResultAndTimesInWholeSeconds) {
  InstallationOutcome outcome;
  outcome.installation_id = L"0C1D2E3F-0000-4000-8000-000000000001";
  outcome.success = true;
  outcome.total_time_us = 75 * kSecondUs + 999999;
  outcome.download_time_us = 15 * kSecondUs;
  outcome.install_time_us = 60 * kSecondUs;
  EXPECT_EQ(GetInstallationFinishedUrl(kStorage, outcome),
            L"http://127.0.0.1:9/get/browser/install?ui=0C1D2E3F-0000-4000-8000-000000000001"
            L"&result=success&time=75&download_time=15&install_time=60");
}

TEST(InstallReportTest, CancelledWinsWhateverTheOutcome) {
  InstallationOutcome outcome;
  outcome.success = true;
  outcome.cancelled = true;
  EXPECT_NE(GetInstallationFinishedUrl(kStorage, outcome).find(L"&result=cancelled&"),
            std::wstring::npos);
}

TEST(InstallReportTest, FailureBeforeTheSetupSendsNoInstallTime) {
  InstallationOutcome outcome;
  outcome.installation_id = L"id";
  outcome.download_time_us = 2 * kSecondUs;
  EXPECT_EQ(GetInstallationFinishedUrl(kStorage, outcome),
            L"http://127.0.0.1:9/get/browser/install?ui=id&result=failed&time=0&download_time=2");
}

TEST(InstallReportTest, FailedFetchIsLoggedWithTheAddress) {
  testing_support::LogCapture capture;
  std::wstring fetched;
  ReportInstallationFinished(
      InstallationOutcome{L"id", true, false, 0, 0, 0},
      [&](const std::wstring& url) {
        fetched = url;
        return false;
      },
      kStorage);
  EXPECT_EQ(fetched, L"http://127.0.0.1:9/get/browser/install?ui=id&result=success&time=0");
  EXPECT_NE(capture.Text().find(L"ReportInstallationFinished ("), std::wstring::npos);
  EXPECT_NE(capture.Text().find(L"Cannot report installation status:" + fetched),
            std::wstring::npos)
      << capture.Text();
}

TEST(InstallReportTest, InstallationIdIsAFreshGuidWithoutBraces) {
  const std::wstring first = NewInstallationId();
  ASSERT_EQ(first.size(), 36u) << first;
  EXPECT_EQ(first.find_first_of(L"{}"), std::wstring::npos) << first;
  EXPECT_NE(NewInstallationId(), first);
}

}  // namespace
}  // namespace net
