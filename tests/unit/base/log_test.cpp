#include "base/log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "base/file_util.h"
#include "installer/exit_codes.h"
#include "support/log_capture.h"

namespace installer {
namespace {

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = base::GetTempFolder() + L"log_file_test_" + std::to_wstring(::GetCurrentProcessId()) +
            L".log";
    Remove();
  }
  void TearDown() override { Remove(); }
  void Remove() {
    ::DeleteFileW(path_.c_str());
    ::DeleteFileW((path_ + L".old").c_str());
  }
  std::string Bytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  void WriteBytes(size_t size) {
    std::ofstream file(path_.c_str(), std::ios::binary);
    file << std::string(size, 'x');
  }

  std::wstring path_;
};

TEST_F(LogFileTest, NewFileStartsWithByteOrderMarkAndLaterLinesDoNot) {
  ASSERT_TRUE(base::AppendLogLine(path_, L"one\n"));
  ASSERT_TRUE(base::AppendLogLine(path_, L"two\n"));
  EXPECT_EQ(Bytes(path_), std::string("\xFF\xFEo\0n\0e\0\n\0t\0w\0o\0\n\0", 18));
}

TEST_F(LogFileTest, FileOfExactlyOneMebibyteIsRotatedBeforeTheNextLine) {
  WriteBytes(1048576);
  ASSERT_TRUE(base::AppendLogLine(path_, L"a\n"));
  EXPECT_EQ(Bytes(path_ + L".old").size(), 1048576u);
  EXPECT_EQ(Bytes(path_), std::string("\xFF\xFE"
                                      "a\0\n\0",
                                      6));
}

TEST_F(LogFileTest, FileOneCharacterShortIsAppendedToAndMayGrowPastTheLimit) {
  WriteBytes(1048574);
  ASSERT_TRUE(base::AppendLogLine(path_, L"ab\n"));
  EXPECT_EQ(Bytes(path_).size(), 1048580u);
  EXPECT_FALSE(base::PathExists(path_ + L".old"));
}

TEST_F(LogFileTest, RotationReplacesAnOlderGeneration) {
  {
    std::ofstream old((path_ + L".old").c_str(), std::ios::binary);
    old << "stale";
  }
  WriteBytes(1048600);
  ASSERT_TRUE(base::AppendLogLine(path_, L"a\n"));
  EXPECT_EQ(Bytes(path_ + L".old").size(), 1048600u);
}

TEST(LogLineTest, InfoLineHasTimeThreadLevelFunctionAndLine) {
  EXPECT_EQ(base::BuildLogLine(L"2026-01-02 03:04:05 <", 42, base::kLogInfo, "GetInfo", 17,
                               L"hello", L""),
            L"2026-01-02 03:04:05 <42> INFO: GetInfo (17): hello\n");
  EXPECT_EQ(base::BuildLogLine(L"t <", 1, base::kLogWarning, "F", -3, L"w", L""),
            L"t <1> WARNING: F (-3): w\n");
  EXPECT_EQ(base::BuildLogLine(L"t <", 1, 7, "F", 1, L"m", L""), L"t <1> INFO: F (1): m\n");
}

TEST(LogLineTest, TimeIsZeroPaddedLocalDateAndTime) {
  // Year, month, day of week, day, hour, minute, second, milliseconds.
  EXPECT_EQ(base::FormatLogTime({2026, 1, 5, 2, 3, 4, 5, 999}), L"2026-01-02 03:04:05 <");
  EXPECT_EQ(base::FormatLogTime({2026, 12, 4, 31, 23, 59, 59, 0}), L"2026-12-31 23:59:59 <");
}

TEST(LogLineTest, ErrorLineEndsWithTheSystemText) {
  EXPECT_EQ(
      base::BuildLogLine(L"t <", 1, base::kLogError, "F", 2, L"failed", L"Access denied.\r\n"),
      L"t <1> ERROR: F (2): failed Last error: Access denied.\r\n");
}

TEST(LogLineTest, ErrorWithoutAnyTextIsShownInLowerCaseHex) {
  EXPECT_EQ(base::GetErrorText(0x2000ABCD), L"unknown error 0x2000abcd\n");
  EXPECT_NE(base::GetErrorText(ERROR_ACCESS_DENIED).find(L"ccess"), std::wstring::npos);
}

TEST(LogMessageTest, ErrorMessageCarriesTheErrorSetBeforeIt) {
  testing_support::LogCapture capture;
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  LOG_ERROR << "Failed to read file " << 12;
  const std::wstring text = capture.Text();
  EXPECT_NE(text.find(L"ERROR: TestBody ("), std::wstring::npos) << text.c_str();
  EXPECT_NE(text.find(L"Failed to read file 12 Last error: "), std::wstring::npos);
}

// The figures read exactly as the wide stream the log used to format them with.
TEST(LogMessageTest, NumbersReadAsAWideStreamShowsThem) {
  testing_support::LogCapture capture;
  LOG_INFO << 12 << " " << -5 << " " << 3000000000u << " " << UINT64_MAX << " " << INT64_MIN << " "
           << static_cast<DWORD>(4294967295u) << " " << static_cast<unsigned char>(7) << " "
           << static_cast<short>(-300);
  LOG_INFO << 0.5 << " " << 1.0 / 3 << " " << 1e20 << " " << 0.0f << " " << 100.0 << " "
           << 1234567.0 << " " << -2.5e-7;
  LOG_INFO << true << false << L'x';
  const std::wstring text = capture.Text();
  EXPECT_NE(text.find(L"): 12 -5 3000000000 18446744073709551615 -9223372036854775808 "
                      L"4294967295 7 -300\n"),
            std::wstring::npos)
      << text.c_str();
  EXPECT_NE(text.find(L"): 0.5 0.333333 1e+20 0 100 1.23457e+06 -2.5e-07\n"), std::wstring::npos)
      << text.c_str();
  EXPECT_NE(text.find(L"): 10x\n"), std::wstring::npos) << text.c_str();
}

TEST(SetupExitCodeTest, NamesKnownHighBytesAndKeepsTheLowBits) {
  EXPECT_EQ(FormatSetupExitCode(0), "SUCCESS_EXIT_CODE(0); error: 0");
  EXPECT_EQ(FormatSetupExitCode((112u << 24) | 5),
            "UNABLE_TO_EXTRACT_CHROME_ARCHIVE(112); error: 5");
  EXPECT_EQ(FormatSetupExitCode(3), "SUCCESS_EXIT_CODE(0); error: 3");
  EXPECT_EQ(FormatSetupExitCode(0xFFFFFFFF), "Exit code: 255; error: 16777215");
  EXPECT_EQ(FormatSetupExitCode(106u << 24), "Exit code: 106; error: 0");
}

}  // namespace
}  // namespace installer
