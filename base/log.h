#pragma once

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>
#include <type_traits>

namespace base {

enum LogLevel : int { kLogInfo = 0, kLogError = 1, kLogWarning = 2 };

inline constexpr uint64_t kLogRotationSizeBytes = 1048576;  // 1 MiB
inline constexpr DWORD kLogMutexWaitMs = 1000;
inline constexpr wchar_t kLogMutexName[] = L"3E40F524-16FA-440A-B919-B44AB355B174";
inline constexpr wchar_t kLogFileName[] = L"lite_installer.log";

// Only the first call stores the path; later calls do nothing.
void InitLogging(const std::wstring& path);

// Writes one line; ERROR lines carry the text of the calling thread's last error.
void WriteLogEntry(int level, const char* function, int line, const std::wstring& message);

// The pieces of one line, apart from the file, so they can be tested alone.
// "YYYY-MM-DD hh:mm:ss <", the head of every line.
std::wstring FormatLogTime(const SYSTEMTIME& time);
std::wstring BuildLogLine(const std::wstring& time_stamp, DWORD thread_id, int level,
                          const char* function, int line, const std::wstring& message,
                          const std::wstring& error_text);
// The system's text for an error code, or "unknown error 0x…" with a line feed.
std::wstring GetErrorText(DWORD error);
// Appends one line to the file, rotating to ".old" at 1 MiB; the caller holds the mutex.
bool AppendLogLine(const std::wstring& path, const std::wstring& line);

// Collects one message with <<; writes it when it goes out of scope.
class LogMessage {
 public:
  LogMessage(int level, const char* function, int line);
  ~LogMessage();
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  LogMessage& operator<<(std::string_view utf8);
  LogMessage& operator<<(const char* utf8) { return *this << std::string_view(utf8); }
  LogMessage& operator<<(const std::string& utf8) { return *this << std::string_view(utf8); }
  LogMessage& operator<<(std::wstring_view wide);
  LogMessage& operator<<(const wchar_t* wide) { return *this << std::wstring_view(wide); }
  LogMessage& operator<<(const std::wstring& wide) { return *this << std::wstring_view(wide); }
  // Numbers read as a default wide stream shows them: decimal integers, bool
  // as 1 or 0, wchar_t as the character, floating point as "%g".
  template <typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number> &&
                                                         !std::is_same_v<Number, char>>>
  LogMessage& operator<<(Number value) {
    if constexpr (std::is_same_v<Number, wchar_t>) {
      message_ += value;
      return *this;
    } else if constexpr (std::is_floating_point_v<Number>) {
      return AppendFloating(static_cast<double>(value));
    } else if constexpr (std::is_signed_v<Number>) {
      return AppendSigned(value);
    } else {
      return AppendUnsigned(value);
    }
  }

 private:
  LogMessage& AppendSigned(int64_t value);
  LogMessage& AppendUnsigned(uint64_t value);
  // Inline, so that only code that logs floating point links the C library's
  // formatter; the installer logs none.
  LogMessage& AppendFloating(double value) {
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%g", value);
    return *this << text;
  }

  int level_;
  const char* function_;
  int line_;
  DWORD error_;
  std::wstring message_;
};

}  // namespace base

#define LOG_INFO ::base::LogMessage(::base::kLogInfo, __func__, __LINE__)
#define LOG_ERROR ::base::LogMessage(::base::kLogError, __func__, __LINE__)
#define LOG_WARNING ::base::LogMessage(::base::kLogWarning, __func__, __LINE__)
// For lines that must carry another function's name than the one writing them.
#define LOG_INFO_AS(name) ::base::LogMessage(::base::kLogInfo, name, __LINE__)
#define LOG_ERROR_AS(name) ::base::LogMessage(::base::kLogError, name, __LINE__)
#define LOG_WARNING_AS(name) ::base::LogMessage(::base::kLogWarning, name, __LINE__)
