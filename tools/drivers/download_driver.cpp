// Drives the downloader from a command line for the end-to-end tests and the benchmark:
//   download_driver URL TARGET [--stop-after-ms=N] [--progress]
// Makes one attempt and prints one "result=" line with what it reports, the
// time taken and the peak working set.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "base/file_util.h"
#include "base/log.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "net/downloader.h"

namespace {

struct Options {
  std::wstring url;
  std::wstring target;
  DWORD stop_after_ms = 0;
  bool progress = false;
};

class PrintingSink : public net::DownloadProgressSink {
 public:
  void SetProgress(float fraction) override { std::printf("progress=%.4f\n", fraction); }
  void OnSlowDownload() override { std::printf("slow\n"); }
  void SetTimeLeft(int value, int kind) override {
    std::printf("time_left=%d kind=%d\n", value, kind);
  }
};

// The writer size at the moment the stop event was set, for the tests to
// compare with the size at the end.
struct StopTimer {
  HANDLE event;
  DWORD delay_ms;
  const net::Writer* writer;
  volatile LONG size_at_stop;
};

DWORD WINAPI SetStopLater(void* parameter) {
  auto* timer = static_cast<StopTimer*>(parameter);
  ::Sleep(timer->delay_ms);
  timer->size_at_stop = static_cast<LONG>(timer->writer->GetSize());
  ::SetEvent(timer->event);
  return 0;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(L"--stop-after-ms=", 0) == 0) {
      options->stop_after_ms = static_cast<DWORD>(_wtoi(arg.c_str() + 16));
    } else if (arg == L"--progress") {
      options->progress = true;
    } else if (positional == 0) {
      options->url = arg;
      ++positional;
    } else {
      options->target = arg;
      ++positional;
    }
  }
  return !options->url.empty() && !options->target.empty();
}

int Run(const Options& options) {
  base::ScopedHandle file(::CreateFileW(options.target.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    std::printf("cannot create target %lu\n", ::GetLastError());
    return 2;
  }
  net::ModuleWriter writer(file.Get());
  base::ScopedHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  StopTimer timer = {stop.Get(), options.stop_after_ms, &writer, -1};
  base::ScopedHandle timer_thread;
  if (options.stop_after_ms != 0) {
    timer_thread.Reset(::CreateThread(nullptr, 0, SetStopLater, &timer, 0, nullptr));
  }
  PrintingSink sink;
  const ULONGLONG start_ms = ::GetTickCount64();
  std::string error;
  std::wstring redirect;
  uint32_t total = 0;
  net::DownloadErrorInfo info;
  const bool done = net::DownloadFile(options.url, &writer, &error, &redirect, &total, stop.Get(),
                                      options.progress ? &sink : nullptr, &info);
  if (timer_thread.IsValid()) ::WaitForSingleObject(timer_thread.Get(), INFINITE);
  PROCESS_MEMORY_COUNTERS memory = {};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
  std::printf(
      "result=%d size=%u total=%u error=%s redirect=%s code=%08X size_at_stop=%ld elapsed_ms=%llu "
      "peak_working_set=%zu\n",
      done ? 1 : 0, writer.GetSize(), total, error.c_str(), base::WideToUtf8(redirect).c_str(),
      info.exception_code, static_cast<long>(timer.size_at_stop), ::GetTickCount64() - start_ms,
      static_cast<size_t>(memory.PeakWorkingSetSize));
  return done ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  base::InitLogging(base::GetTempFolder() + base::kLogFileName);
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::printf("usage: download_driver URL TARGET [--stop-after-ms=N] [--progress]\n");
    return 2;
  }
  const int code = Run(options);
  std::fflush(stdout);
  return code;
}
