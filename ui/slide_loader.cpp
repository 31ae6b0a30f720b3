#include "ui/slide_loader.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "base/log.h"
#include "base/strings.h"
#include "config/brand_info.h"
#include "endpoints.h"
#include "net/downloader.h"
#include "net/guarded_call.h"
#include "ui/scale_factor.h"

namespace ui {
namespace {

// One slide download. It owns all it touches, so a stopped loader may leave
// it behind to end on its own when the connection does.
class SlideDownload : public net::GuardedTask {
 public:
  SlideDownload(std::wstring url, HANDLE deadline) : url_(std::move(url)) {
    ::DuplicateHandle(::GetCurrentProcess(), deadline, ::GetCurrentProcess(), deadline_.Receive(),
                      SYNCHRONIZE, FALSE, 0);
  }
  void Run() override {
    done_ = net::DownloadFile(url_, &writer_, nullptr, nullptr, nullptr, deadline_.Get(), nullptr,
                              nullptr);
  }
  bool done() const { return done_; }
  const std::string& data() const { return writer_.data(); }

 private:
  const std::wstring url_;
  base::ScopedHandle deadline_;
  net::MemoryWriter writer_;
  bool done_ = false;
};

// Relative due times of waitable timers are negative, in 100 ns units.
LARGE_INTEGER DueInMs(DWORD ms) {
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;
  return due;
}

}  // namespace

std::string BuildInstallerSlideUrl(const std::string& slide_url, const std::string& download_host,
                                   const std::string& language) {
  if (!slide_url.empty()) return slide_url;
  return download_host + kInstallerSlidesPath + language + "/";
}

std::string GetInstallerSlideUrl(const config::BrandInfo& brand_info) {
  if (brand_info.slide_url().empty()) {
    LOG_WARNING << "Deprecated. Use brand package for setting \"slide_url\" in \"install\" section";
  }
  return BuildInstallerSlideUrl(brand_info.slide_url(), endpoints::kDownloadHost,
                                brand_info.default_language());
}

std::string BuildSlideFileUrl(const std::string& base_url, size_t slide_count) {
  char number[24];
  std::snprintf(number, sizeof(number), "%02zu", slide_count + 1);
  return base_url + "x2/" + number + ".jpg";
}

SlideLoader::SlideLoader(ResourceBitmap first_slide, std::string base_url)
    : base_url_(std::move(base_url)) {
  slides_.push_back(std::move(first_slide));
  ::InitializeCriticalSection(&list_lock_);
  ::InitializeCriticalSection(&run_lock_);
  deadline_.Reset(::CreateWaitableTimerW(nullptr, TRUE, nullptr));
  if (deadline_.IsValid()) thread_.Reset(::CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
  if (!thread_.IsValid()) {
    LOG_ERROR << "Failed to start the slide loader";
    running_ = false;
  }
}

SlideLoader::~SlideLoader() {
  Stop();
  if (thread_.IsValid()) ::WaitForSingleObject(thread_.Get(), INFINITE);
  ::DeleteCriticalSection(&run_lock_);
  ::DeleteCriticalSection(&list_lock_);
}

void SlideLoader::Stop() {
  running_ = false;
  if (deadline_.IsValid()) {
    const LARGE_INTEGER now = DueInMs(0);
    ::SetWaitableTimer(deadline_.Get(), &now, 0, nullptr, nullptr, FALSE);
  }
  // The worker holds the run lock for as long as it runs.
  ::EnterCriticalSection(&run_lock_);
  ::LeaveCriticalSection(&run_lock_);
}

ResourceBitmap SlideLoader::GetSlide(size_t index) const {
  ::EnterCriticalSection(&list_lock_);
  const ResourceBitmap slide = slides_.empty() ? ResourceBitmap() : slides_[index % slides_.size()];
  ::LeaveCriticalSection(&list_lock_);
  return slide;
}

size_t SlideLoader::GetSlideCount() const {
  ::EnterCriticalSection(&list_lock_);
  const size_t count = slides_.size();
  ::LeaveCriticalSection(&list_lock_);
  return count;
}

DWORD WINAPI SlideLoader::ThreadMain(void* loader) {
  static_cast<SlideLoader*>(loader)->Run();
  return 0;
}

void SlideLoader::Run() {
  ::EnterCriticalSection(&run_lock_);
  int failures = 0;
  while (running_) {
    failures = DownloadImage(kSlideDownloadBudgetMs) ? 0 : failures + 1;
    if (failures >= kMaxSlideFailures) {
      LOG_INFO << "Stopped loading slides after " << failures << " failures";
      running_ = false;
    }
  }
  ::LeaveCriticalSection(&run_lock_);
}

bool SlideLoader::DownloadImage(DWORD budget_ms) {
  const std::string url = BuildSlideFileUrl(base_url_, GetSlideCount());
  const LARGE_INTEGER due = DueInMs(budget_ms);
  ::SetWaitableTimer(deadline_.Get(), &due, 0, nullptr, nullptr, FALSE);
  // Setting the timer clears a stop that came just before: look again.
  if (!running_) return false;
  auto download = std::make_shared<SlideDownload>(base::Utf8ToWide(url), deadline_.Get());
  net::DownloadErrorInfo error_info;
  if (net::RunGuarded(download, deadline_.Get(), &error_info) != net::GuardedResult::kReturned ||
      !download->done()) {
    return false;
  }
  ResourceBitmap slide = ResourceBitmap::FromBytes(download->data().data(), download->data().size(),
                                                   GetScaleFactor() * kSlideScaleRatio);
  if (slide.IsEmpty()) {
    LOG_ERROR << "Failed to load a background slide bitmap from data downloaded from " << url;
    return false;
  }
  ::EnterCriticalSection(&list_lock_);
  slides_.push_back(std::move(slide));
  ::LeaveCriticalSection(&list_lock_);
  return true;
}

}  // namespace ui
