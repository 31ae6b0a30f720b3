#include "base/log.h"

#include <atomic>

#include "base/scoped_handle.h"
#include "base/strings.h"

namespace base {
namespace {

constexpr DWORD kEnglishUnitedStates = 0x409;
constexpr size_t kMessageBufferChars = 1024;

class Logger {
 public:
  Logger() {
    mutex_.Reset(::OpenMutexW(SYNCHRONIZE, FALSE, kLogMutexName));
    if (!mutex_.IsValid()) mutex_.Reset(::CreateMutexW(nullptr, FALSE, kLogMutexName));
    if (!mutex_.IsValid()) mutex_.Reset(::OpenMutexW(SYNCHRONIZE, FALSE, kLogMutexName));
  }

  void Init(const std::wstring& path) {
    long expected = 0;
    if (initialised_.compare_exchange_strong(expected, 1)) path_ = path;
  }

  void Write(int level, const char* function, int line, const std::wstring& message, DWORD error) {
    // Without a full path (no temporary folder) nothing is written.
    if (initialised_.load() == 0 || path_.empty()) return;
    // The system's local time, not the C library's: its first use reads the
    // time zone through the registry, a large part of a short run under Wine.
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const std::wstring text =
        BuildLogLine(FormatLogTime(now), ::GetCurrentThreadId(), level, function, line, message,
                     level == kLogError ? GetErrorText(error) : std::wstring());
    if (!mutex_.IsValid()) return;
    const DWORD wait = ::WaitForSingleObject(mutex_.Get(), kLogMutexWaitMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return;
    AppendLogLine(path_, text);
    ::ReleaseMutex(mutex_.Get());
  }

 private:
  std::atomic<long> initialised_{0};
  std::wstring path_;
  base::ScopedHandle mutex_;
};

Logger g_logger;

std::wstring FormatFromModule(const wchar_t* module_name, DWORD error) {
  const HMODULE module = ::GetModuleHandleW(module_name);
  if (module == nullptr) return std::wstring();
  wchar_t buffer[kMessageBufferChars] = {};
  const DWORD size =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, error,
                       kEnglishUnitedStates, buffer, kMessageBufferChars, nullptr);
  return std::wstring(buffer, size);
}

}  // namespace

void InitLogging(const std::wstring& path) { g_logger.Init(path); }

void WriteLogEntry(int level, const char* function, int line, const std::wstring& message) {
  g_logger.Write(level, function, line, message, ::GetLastError());
}

std::wstring GetErrorText(DWORD error) {
  wchar_t buffer[kMessageBufferChars] = {};
  const DWORD size =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       kEnglishUnitedStates, buffer, kMessageBufferChars, nullptr);
  if (size > 0) return std::wstring(buffer, size);
  for (const wchar_t* module : {L"wininet.dll", L"urlmon.dll"}) {
    std::wstring text = FormatFromModule(module, error);
    if (!text.empty()) return text;
  }
  return L"unknown error 0x" + base::WidenByteByByte(base::HexText(error, 0, false)) + L"\n";
}

std::wstring FormatLogTime(const SYSTEMTIME& time) {
  const std::string stamp =
      base::PaddedDecimal(time.wYear, 4) + "-" + base::PaddedDecimal(time.wMonth, 2) + "-" +
      base::PaddedDecimal(time.wDay, 2) + " " + base::PaddedDecimal(time.wHour, 2) + ":" +
      base::PaddedDecimal(time.wMinute, 2) + ":" + base::PaddedDecimal(time.wSecond, 2) + " <";
  return base::WidenByteByByte(stamp);
}

std::wstring BuildLogLine(const std::wstring& time_stamp, DWORD thread_id, int level,
                          const char* function, int line, const std::wstring& message,
                          const std::wstring& error_text) {
  const wchar_t* tag = level == kLogError     ? L"ERROR: "
                       : level == kLogWarning ? L"WARNING: "
                                              : L"INFO: ";
  std::wstring text = time_stamp + base::NumberToWide(thread_id) + L"> " + tag +
                      base::WidenByteByByte(function) + L" (" + base::NumberToWide(line) + L"): " +
                      message;
  if (level == kLogError) {
    text += L" Last error: " + error_text;
  } else {
    text += L'\n';
  }
  return text;
}

bool AppendLogLine(const std::wstring& path, const std::wstring& line) {
  auto open = [&path]() {
    return base::ScopedHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  base::ScopedHandle file = open();
  if (!file.IsValid()) return false;
  LARGE_INTEGER size = {};
  if (!::SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &size, FILE_END)) return false;
  if (static_cast<uint64_t>(size.QuadPart) >= kLogRotationSizeBytes) {
    file.Reset();
    const std::wstring old_path = path + L".old";
    ::DeleteFileW(old_path.c_str());
    ::MoveFileW(path.c_str(), old_path.c_str());
    file = open();
    if (!file.IsValid()) return false;
    if (!::SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &size, FILE_END)) return false;
  }
  const std::wstring text = size.QuadPart == 0 ? L"\xFEFF" + line : line;
  DWORD written = 0;
  return ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                     &written, nullptr) != FALSE;
}

LogMessage::LogMessage(int level, const char* function, int line)
    : level_(level), function_(function), line_(line), error_(::GetLastError()) {}

LogMessage::~LogMessage() { g_logger.Write(level_, function_, line_, message_, error_); }

LogMessage& LogMessage::operator<<(std::string_view utf8) {
  message_ += base::Utf8ToWide(utf8);
  return *this;
}

LogMessage& LogMessage::operator<<(std::wstring_view wide) {
  message_ += wide;
  return *this;
}

// Integers without the C library's printf engine, and no iostreams, which
// would bring the C++ locale code into the executable, several times the size
// of everything else.
LogMessage& LogMessage::AppendSigned(int64_t value) { return *this << std::to_string(value); }

LogMessage& LogMessage::AppendUnsigned(uint64_t value) { return *this << std::to_string(value); }

}  // namespace base
