#include "base/log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "base/file_util.h"
#include "installer/exit_codes.h"
#include "support/log_capture.h"

namespace base {
namespace {

std::string Bytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A log of 1 MiB or more moves to ".old" (replacing an older one) before the
// next line; a shorter one is appended to even if the line takes it past.
TEST(LogFileTest, RotatesAtOneMebibyteBeforeTheNextLine) {
  const std::wstring path = GetTempFolder() + L"log_file_test.log";
  const std::wstring old = path + L".old";
  // Size of the log before the line, after it, and of ".old" after it.
  const size_t rows[][3] = {
      {0, 8, 5}, {1048574, 1048580, 5}, {1048576, 8, 1048576}, {1048600, 8, 1048600}};
  for (const auto& [existing, size_after, old_size] : rows) {
    SCOPED_TRACE(existing);
    ::DeleteFileW(path.c_str());
    if (existing) std::ofstream(path.c_str(), std::ios::binary) << std::string(existing, 'x');
    std::ofstream(old.c_str(), std::ios::binary) << "stale";
    ASSERT_TRUE(AppendLogLine(path, L"ab\n"));
    const std::string bytes = Bytes(path);
    EXPECT_EQ(bytes.size(), size_after);
    EXPECT_EQ(bytes.substr(bytes.size() - 6), std::string("a\0b\0\n\0", 6));
    EXPECT_EQ(bytes.substr(0, 2) == "\xFF\xFE", size_after == 8);
    EXPECT_EQ(Bytes(old).size(), old_size);
  }
  ::DeleteFileW(path.c_str());
  ::DeleteFileW(old.c_str());
}

TEST(LogLineTest, LineHasTimeThreadLevelFunctionLineAndForErrorsTheSystemText) {
  // Year, month, day of week, day, hour, minute, second, milliseconds.
  EXPECT_EQ(FormatLogTime({2026, 1, 5, 2, 3, 4, 5, 999}), L"2026-01-02 03:04:05 <");
  EXPECT_EQ(BuildLogLine(L"2026-01-02 03:04:05 <", 42, kLogInfo, "GetInfo", 17, L"hello", L""),
            L"2026-01-02 03:04:05 <42> INFO: GetInfo (17): hello\n");
  EXPECT_EQ(BuildLogLine(L"t <", 1, kLogWarning, "F", -3, L"w", L""),
            L"t <1> WARNING: F (-3): w\n");
  EXPECT_EQ(BuildLogLine(L"t <", 1, 7, "F", 1, L"m", L""), L"t <1> INFO: F (1): m\n");
  EXPECT_EQ(BuildLogLine(L"t <", 1, kLogError, "F", 2, L"failed", L"Access denied.\r\n"),
            L"t <1> ERROR: F (2): failed Last error: Access denied.\r\n");
  EXPECT_EQ(GetErrorText(0x2000ABCD), L"unknown error 0x2000abcd\n");
}

// The message names its function, an error line ends with the error set
// before it, and the figures read exactly as the wide stream the log used to
// format them with.
TEST(LogMessageTest, NamesTheFunctionAndFormatsAsAWideStream) {
  testing_support::LogCapture capture;
  LOG_INFO << 12 << " " << -5 << " " << UINT64_MAX << " " << INT64_MIN << " "
           << static_cast<unsigned char>(7) << " " << static_cast<short>(-300) << " " << true
           << false << L'x';
  LOG_INFO << 0.5 << " " << 1.0 / 3 << " " << 1e20 << " " << 0.0f << " " << 1234567.0 << " "
           << -2.5e-7;
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  LOG_ERROR << "Failed to read file";
  const std::wstring text = capture.Text();
  for (const wchar_t* line :
       {L"INFO: TestBody (", L"): 12 -5 18446744073709551615 -9223372036854775808 7 -300 10x\n",
        L"): 0.5 0.333333 1e+20 0 1.23457e+06 -2.5e-07\n", L"ERROR: TestBody (",
        L"Failed to read file Last error: "}) {
    EXPECT_NE(text.find(line), std::wstring::npos) << text.c_str();
  }
}

TEST(SetupExitCodeTest, NamesKnownHighBytesAndKeepsTheLowBits) {
  const std::pair<uint32_t, const char*> rows[] = {
      {(112u << 24) | 5, "UNABLE_TO_EXTRACT_CHROME_ARCHIVE(112); error: 5"},
      {0xFFFFFFFF, "Exit code: 255; error: 16777215"},
  };
  for (const auto& [code, text] : rows) EXPECT_EQ(installer::FormatSetupExitCode(code), text);
}

}  // namespace
}  // namespace base
