#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/scoped_handle.h"

namespace config {
class BrandInfo;
class DistributionParams;
}  // namespace config

namespace net {

inline constexpr char kServerConfigPath[] = "/configs/all_zip";

// Which of the three extras get a path, from the distribution parameters:
// "vup" (absent counts as "1") and "scup" must be exactly "1", "pwexp" any
// non-empty text.
struct BrowserExtrasPlan {
  bool variations = false;
  bool server_config = false;
  bool wallpapers = false;
};
BrowserExtrasPlan PlanBrowserExtras(const std::map<std::string, std::string>& params);

// `api_host` + "/configs/all_zip", with "brandID" and "partnerID" when known;
// the values are not escaped.
std::string BuildServerConfigUrl(const std::string& api_host, const std::string& brand_id,
                                 const std::string& partner_id);

// The value of one header in a raw header block (one "Name: value" a line,
// names compared without case); empty when it is absent.
std::string GetHeaderValue(const std::wstring& raw_headers, const std::string& name);

// A variations seed as the server sent it.
struct VariationsSeed {
  std::string body;
  std::string signature;
  std::string last_modified;
  std::string country;
};
// Writes the variations file: JSON of the seed in base64 and the three headers.
bool SaveVariations(const std::wstring& path, const VariationsSeed& seed);
// Downloads the seed with its headers and saves it; a seed without a
// signature is not saved.
bool DownloadAndSaveVariations(const std::wstring& url, const std::wstring& path,
                               HANDLE cancel_event);

// Prepares the files the browser's setup takes over for its first start: the
// variations seed, the server configuration and the wallpapers, each
// downloaded in the background to a path reserved in the temporary folder.
// The setup gets the paths whether or not the downloads have finished.
class BrowserExtras {
 public:
  BrowserExtras(const config::BrandInfo& brand_info, const config::DistributionParams& params);
  // Cancels, waits for the running download, and removes the variations and
  // server configuration files; the wallpapers stay.
  ~BrowserExtras();
  BrowserExtras(const BrowserExtras&) = delete;
  BrowserExtras& operator=(const BrowserExtras&) = delete;

  const std::wstring& variations_path() const { return variations_path_; }
  const std::wstring& server_config_path() const { return server_config_path_; }
  const std::wstring& wallpapers_path() const { return wallpapers_path_; }

 private:
  enum class TaskKind { kVariations, kFile };
  struct Task {
    TaskKind kind;
    std::wstring url;
    std::wstring path;
  };

  bool InitializeThread();
  static DWORD WINAPI WorkerThread(void* extras);
  void RunTasks();

  std::wstring variations_path_;
  std::wstring server_config_path_;
  std::wstring wallpapers_path_;
  std::vector<Task> tasks_;
  base::ScopedHandle cancel_event_;
  base::ScopedHandle thread_;
};

}  // namespace net
