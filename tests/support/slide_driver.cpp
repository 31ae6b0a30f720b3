// Drives the slide loader and the slide show for the end-to-end tests, on a
// clock the driver moves itself:
//   slide_driver rotate BASE_URL  waits until the loader has ended, then shows
//                                 the slides for 10 s each and prints the order
//   slide_driver stop BASE_URL WAIT_MS  stops the loader WAIT_MS after its
//                                 start and prints how long stopping took
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/log.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "ui/slide_show.h"

namespace {

constexpr DWORD kLoaderEndWaitMs = 60000;

ui::ResourceBitmap BuiltInSlide() {
  base::ScopedGdiObject bitmap(::CreateBitmap(40, 30, 1, 32, nullptr));
  return ui::ResourceBitmap(static_cast<HBITMAP>(bitmap.Get()), 1.0);
}

int Rotate(const std::string& base_url) {
  uint64_t now_ms = 1000;
  ui::SlideShow show({728, 400}, BuiltInSlide(), base_url, [&now_ms] { return now_ms; });
  const DWORD start = ::GetTickCount();
  while (show.loader().IsRunning() && ::GetTickCount() - start < kLoaderEndWaitMs) ::Sleep(20);
  const size_t count = show.loader().GetSlideCount();
  std::printf("loader_running=%d\nslides=%zu\n", show.loader().IsRunning() ? 1 : 0, count);
  std::printf("sizes=");
  for (size_t i = 0; i < count; ++i) {
    const ui::ResourceBitmap slide = show.loader().GetSlide(i);
    std::printf("%s%dx%d", i ? "," : "", slide.width(), slide.height());
  }
  std::printf("\nfirst_tick_changed=%d\n", show.Tick() ? 1 : 0);
  std::string order = std::to_string(show.index());
  int early_changes = 0;
  for (int step = 0; step < 6; ++step) {
    now_ms += 9999;
    early_changes += show.Tick() ? 1 : 0;
    now_ms += 1;
    if (!show.Tick()) break;
    order += "," + std::to_string(show.index());
  }
  std::printf("order=%s\nearly_changes=%d\n", order.c_str(), early_changes);
  return 0;
}

int StopDuringDownload(const std::string& base_url, DWORD wait_ms) {
  ui::SlideLoader loader(BuiltInSlide(), base_url);
  ::Sleep(wait_ms);
  std::printf("running_before_stop=%d\n", loader.IsRunning() ? 1 : 0);
  const DWORD start = ::GetTickCount();
  loader.Stop();
  std::printf("stop_ms=%lu\n", ::GetTickCount() - start);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  base::InitLogging(std::wstring(temp) + base::kLogFileName);
  const std::wstring mode = argc > 2 ? argv[1] : L"";
  if (mode == L"rotate") return Rotate(base::WideToUtf8(argv[2]));
  if (mode == L"stop" && argc > 3) {
    return StopDuringDownload(base::WideToUtf8(argv[2]), std::wcstoul(argv[3], nullptr, 10));
  }
  std::fprintf(stderr, "usage: slide_driver rotate URL | stop URL WAIT_MS\n");
  return 2;
}
