#include "net/browser_extras.h"

#include <jansson.h>

#include <cstdio>
#include <memory>

#include "base/base64.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/strings.h"
#include "config/brand_info.h"
#include "config/distribution_params.h"
#include "endpoints.h"
#include "net/downloader.h"
#include "net/user_id.h"

namespace net {
namespace {

struct JsonDeleter {
  void operator()(json_t* json) const { json_decref(json); }
};

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

std::string ParamOr(const std::map<std::string, std::string>& params, const char* key,
                    const char* absent) {
  const auto found = params.find(key);
  return found != params.end() ? found->second : absent;
}

// A fresh name in the temporary folder that exists only once a download
// completes there; empty when none could be made.
std::wstring ReservePath(const wchar_t* prefix) {
  wchar_t path[MAX_PATH] = {};
  const std::wstring folder = base::GetTempFolder();
  if (folder.empty() || ::GetTempFileNameW(folder.c_str(), prefix, 0, path) == 0) {
    LOG_ERROR << L"Cannot reserve a temporary file for " << prefix;
    return std::wstring();
  }
  ::DeleteFileW(path);
  return path;
}

// The variations members in file order.
constexpr const char* kVariationsKeys[] = {"variations_seed_base64", "variations_seed_signature",
                                           "variations_last_modified_time", "variations_country"};

// The variations object, or null when a member could not be set.
std::unique_ptr<json_t, JsonDeleter> BuildVariationsObject(const VariationsSeed& seed) {
  std::unique_ptr<json_t, JsonDeleter> object(json_object());
  const std::string values[] = {base::Base64Encode(seed.body), seed.signature, seed.last_modified,
                                seed.country};
  for (size_t i = 0; i < 4; ++i) {
    if (json_object_set_new(object.get(), kVariationsKeys[i],
                            json_stringn(values[i].data(), values[i].size())) != 0) {
      LOG_ERROR_AS("SaveVariations")
          << "Failed to serialize variations value " << kVariationsKeys[i] << ": " << values[i];
      return nullptr;
    }
  }
  return object;
}

}  // namespace

BrowserExtrasPlan PlanBrowserExtras(const std::map<std::string, std::string>& params) {
  BrowserExtrasPlan plan;
  plan.variations = ParamOr(params, "vup", "1") == "1";
  plan.server_config = ParamOr(params, "scup", "") == "1";
  plan.wallpapers = !ParamOr(params, "pwexp", "").empty();
  return plan;
}

std::string BuildServerConfigUrl(const std::string& api_host, const std::string& brand_id,
                                 const std::string& partner_id) {
  std::string query;
  if (!brand_id.empty()) query = "brandID=" + brand_id;
  if (!partner_id.empty())
    query += (query.empty() ? "" : "&") + std::string("partnerID=") + partner_id;
  return api_host + kServerConfigPath + (query.empty() ? "" : "?" + query);
}

std::string GetHeaderValue(const std::wstring& raw_headers, const std::string& name) {
  const std::string headers = base::WideToUtf8(raw_headers);
  size_t start = 0;
  while (start < headers.size()) {
    size_t end = headers.find('\n', start);
    if (end == std::string::npos) end = headers.size();
    std::string line = headers.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t colon = line.find(':');
    if (colon != std::string::npos && base::EqualsIgnoreCaseAscii(line.substr(0, colon), name)) {
      const size_t value = line.find_first_not_of(" \t", colon + 1);
      return value == std::string::npos ? std::string() : line.substr(value);
    }
    start = end + 1;
  }
  return std::string();
}

bool SaveVariations(const std::wstring& path, const VariationsSeed& seed) {
  const std::unique_ptr<json_t, JsonDeleter> object = BuildVariationsObject(seed);
  if (object == nullptr) return false;
  std::unique_ptr<FILE, FileCloser> file(_wfopen(path.c_str(), L"w+"));
  if (file == nullptr) {
    LOG_ERROR << L"Failed to open variations file " << path;
    return false;
  }
  const int result = json_dumpf(object.get(), file.get(), 0);
  if (result != 0) {
    LOG_ERROR << L"Failed to save downloaded variations update to " << path << L" error=" << result;
    return false;
  }
  if (std::fclose(file.release()) != 0) {
    LOG_ERROR << "Failed to close FILE";
    return false;
  }
  return true;
}

bool DownloadAndSaveVariations(const std::wstring& url, const std::wstring& path,
                               HANDLE cancel_event) {
  VariationsSeed seed;
  std::wstring headers;
  std::string error_text;
  if (!DownloadToMemory(url, cancel_event, &seed.body, &headers, &error_text)) {
    LOG_ERROR << "Failed to download variations seed: " << error_text;
    return false;
  }
  seed.signature = GetHeaderValue(headers, "X-Seed-Signature");
  if (seed.signature.empty()) {
    LOG_ERROR << "Failed to get variations seed signature";
    return false;
  }
  seed.last_modified = GetHeaderValue(headers, "Last-Modified");
  seed.country = GetHeaderValue(headers, "X-Country");
  if (!SaveVariations(path, seed)) {
    LOG_ERROR << L"Failed to save variations in " << path;
    return false;
  }
  LOG_INFO << L"Variations are saved in " << path;
  return true;
}

BrowserExtras::BrowserExtras(const config::BrandInfo& brand_info,
                             const config::DistributionParams& params)
    : cancel_event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  const BrowserExtrasPlan plan = PlanBrowserExtras(params.params());
  if (plan.variations) variations_path_ = ReservePath(L"vup");
  if (plan.server_config) server_config_path_ = ReservePath(L"scu");
  if (plan.wallpapers) wallpapers_path_ = ReservePath(L"pw");

  if (!variations_path_.empty()) {
    tasks_.push_back({TaskKind::kVariations,
                      base::Utf8ToWide(brand_info.GetVariationsUrl(GetUserId())),
                      variations_path_});
  }
  if (!server_config_path_.empty()) {
    tasks_.push_back(
        {TaskKind::kFile,
         base::Utf8ToWide(BuildServerConfigUrl(endpoints::kBrowserApiHost, brand_info.brand_id(),
                                               brand_info.partner_id())),
         server_config_path_});
  }
  if (!wallpapers_path_.empty() && !brand_info.preloaded_wallpapers_url().empty()) {
    tasks_.push_back({TaskKind::kFile,
                      base::Utf8ToWide(brand_info.preloaded_wallpapers_url() +
                                       ParamOr(params.params(), "pwexp", "")),
                      wallpapers_path_});
  }
  InitializeThread();
}

BrowserExtras::~BrowserExtras() {
  ::SetEvent(cancel_event_.Get());
  if (thread_.IsValid()) ::WaitForSingleObject(thread_.Get(), INFINITE);
  for (const std::wstring* path : {&variations_path_, &server_config_path_}) {
    if (!path->empty()) ::DeleteFileW(path->c_str());
  }
}

bool BrowserExtras::InitializeThread() {
  thread_.Reset(::CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr));
  if (!thread_.IsValid()) {
    LOG_ERROR << "Failed to create thread for async install tasks";
    return false;
  }
  return true;
}

DWORD WINAPI BrowserExtras::WorkerThread(void* extras) {
  static_cast<BrowserExtras*>(extras)->RunTasks();
  return 0;
}

void BrowserExtras::RunTasks() {
  for (const Task& task : tasks_) {
    if (::WaitForSingleObject(cancel_event_.Get(), 0) == WAIT_OBJECT_0) return;
    if (task.kind == TaskKind::kVariations) {
      DownloadAndSaveVariations(task.url, task.path, cancel_event_.Get());
      continue;
    }
    std::string error_text;
    if (!DownloadToFile(task.url, task.path, cancel_event_.Get(), &error_text)) {
      LOG_ERROR << L"Failed to download " << task.url << L": " << base::Utf8ToWide(error_text);
    }
  }
}

}  // namespace net
