#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "ui/resource_bitmap.h"

namespace config {
class BrandInfo;
}  // namespace config

namespace ui {

inline constexpr DWORD kSlideDownloadBudgetMs = 5000;
inline constexpr int kMaxSlideFailures = 10;  // in a row; then the loader ends
// The installer-slides folder on the download CDN; the language and "/" follow.
inline constexpr char kInstallerSlidesPath[] = "/browser/installer/";

// The slides folder: `slide_url` when set, else the CDN folder of `language`.
std::string BuildInstallerSlideUrl(const std::string& slide_url, const std::string& download_host,
                                   const std::string& language);
// The same for the brand, with a warning when the brand leaves it unset.
std::string GetInstallerSlideUrl(const config::BrandInfo& brand_info);
// The address of the next slide for a list of `slide_count` slides: the
// folder, "x2/", the number count + 1 in two digits or more, ".jpg".
std::string BuildSlideFileUrl(const std::string& base_url, size_t slide_count);

// Downloads the slides after the built-in one on a thread of its own, one
// after another, until ten in a row fail or it is stopped.
class SlideLoader {
 public:
  SlideLoader(ResourceBitmap first_slide, std::string base_url);
  ~SlideLoader();
  SlideLoader(const SlideLoader&) = delete;
  SlideLoader& operator=(const SlideLoader&) = delete;

  // A copy of slide `index` modulo the list length.
  ResourceBitmap GetSlide(size_t index) const;
  size_t GetSlideCount() const;
  bool IsRunning() const { return running_; }
  // Ends the worker without waiting for a download in flight.
  void Stop();

 private:
  static DWORD WINAPI ThreadMain(void* loader);
  void Run();
  // One slide within `budget_ms`, appended to the list on success.
  bool DownloadImage(DWORD budget_ms);

  std::vector<ResourceBitmap> slides_;
  mutable CRITICAL_SECTION list_lock_;
  const std::string base_url_;
  std::atomic<bool> running_{true};
  CRITICAL_SECTION run_lock_;
  // Fires at the end of a download's budget, or at once when stopped.
  base::ScopedHandle deadline_;
  base::ScopedHandle thread_;
};

}  // namespace ui
