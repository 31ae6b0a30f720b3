// Small helper for the end-to-end tests: reads full 32-bit exit codes, holds
// named objects, plays the master side of the elevated handshake and, as a
// prefix's web browser, records the addresses it is asked to open.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/process_util.h"
#include "installer/elevated_runner.h"

namespace {

// The command line after the first `count` arguments, as typed.
std::wstring RestOfCommandLine(int count) {
  const wchar_t* text = ::GetCommandLineW();
  for (int i = 0; i < count; ++i) {
    while (*text == L' ') ++text;
    bool quoted = false;
    while (*text != L'\0' && (quoted || *text != L' ')) {
      if (*text == L'"') quoted = !quoted;
      ++text;
    }
  }
  while (*text == L' ') ++text;
  return text;
}

int RunAndReportExitCode() {
  base::ScopedHandle process = base::LaunchProcess(RestOfCommandLine(2));
  if (!process.IsValid()) {
    std::printf("launch failed %lu\n", ::GetLastError());
    return 2;
  }
  ::WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  std::printf("exit_code=%d\n", static_cast<int>(code));
  return 0;
}

// Waits until the test creates `trigger_file`, for at most a minute.
void WaitForTrigger(const wchar_t* trigger_file) {
  constexpr int kPollMs = 20;
  constexpr int kMaxPolls = 3000;
  for (int i = 0; i < kMaxPolls && ::GetFileAttributesW(trigger_file) == INVALID_FILE_ATTRIBUTES;
       ++i) {
    ::Sleep(kPollMs);
  }
}

// Owns a named mutex until the test creates `trigger_file`.
int HoldMutex(const wchar_t* name, const wchar_t* trigger_file) {
  // The mutex may exist already (this program's own log opens it), so it is
  // owned by waiting, not by creating it.
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
  ::WaitForSingleObject(mutex, INFINITE);
  std::printf("held\n");
  std::fflush(stdout);
  WaitForTrigger(trigger_file);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  return 0;
}

// Creates the two handshake events like a master does, waits until the test
// creates `trigger_file`, then signals one of them ("start", "cancel") or just
// exits ("exit").
int PlayMaster(const wchar_t* action, const wchar_t* trigger_file) {
  HANDLE start = ::CreateEventA(nullptr, FALSE, FALSE, installer::kElevatedStartEventName);
  HANDLE cancel = ::CreateEventA(nullptr, FALSE, FALSE, installer::kElevatedCancelEventName);
  std::printf("pid=%lu\n", ::GetCurrentProcessId());
  std::fflush(stdout);
  WaitForTrigger(trigger_file);
  if (std::wstring(action) == L"start") ::SetEvent(start);
  if (std::wstring(action) == L"cancel") ::SetEvent(cancel);
  if (std::wstring(action) != L"exit") ::Sleep(1000);
  ::CloseHandle(start);
  ::CloseHandle(cancel);
  return 0;
}

// Appends `url` and a line feed to `record_file`.
int RecordUrl(const wchar_t* record_file, const wchar_t* url) {
  FILE* record = _wfopen(record_file, L"ab");
  if (record == nullptr) return 1;
  std::fprintf(record, "%ls\n", url);
  std::fclose(record);
  return 0;
}

}  // namespace

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Touches the desktop so that the system starts its desktop process now, with
// the caller's output detached, rather than inside a test whose output is read.
int WarmUpDesktop() {
  int count = 0;
  ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
  return count >= 0 ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"warm-up") return WarmUpDesktop();
  if (command == L"exit-code" && argc > 2) return RunAndReportExitCode();
  if (command == L"hold-mutex" && argc > 3) return HoldMutex(argv[2], argv[3]);
  if (command == L"master" && argc > 3) return PlayMaster(argv[2], argv[3]);
  if (command == L"record-url" && argc > 3) return RecordUrl(argv[2], argv[3]);
  std::printf(
      "usage: test_helper warm-up\n"
      "       test_helper exit-code COMMAND...\n"
      "       test_helper hold-mutex NAME TRIGGER_FILE\n"
      "       test_helper master start|cancel|exit TRIGGER_FILE\n"
      "       test_helper record-url RECORD_FILE URL\n");
  return 2;
}
