#include "net/downloader.h"

#include <utility>

#include "base/file_util.h"
#include "base/log.h"

namespace net {
namespace {

constexpr wchar_t kUserAgent[] = L"Velmar.Browser lite installer";
constexpr wchar_t kAcceptHeader[] = L"Accept: */*";
constexpr int kConvenienceAttempts = 3;
constexpr DWORD kHttpStatusOk = 200;
// A server that stops sending ends the read after this long instead of never.
constexpr DWORD kReceiveTimeoutMs = 60000;  // one minute

// Runs on WinINet's threads; only records where the request was redirected.
void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void* info,
                             DWORD) noexcept {
  if (status != INTERNET_STATUS_REDIRECT || context == 0 || info == nullptr) return;
  reinterpret_cast<std::wstring*>(context)->assign(static_cast<const wchar_t*>(info));
}

// The URL open, run under the exception guard. Its fields belong to the task
// because a stopped caller may leave it behind.
class OpenUrlTask : public GuardedTask {
 public:
  OpenUrlTask(HINTERNET internet, std::wstring url) : internet_(internet), url_(std::move(url)) {}
  void Run() override {
    result_.Reset(::InternetOpenUrlW(internet_, url_.c_str(), kAcceptHeader, static_cast<DWORD>(-1),
                                     INTERNET_FLAG_RELOAD,
                                     reinterpret_cast<DWORD_PTR>(&redirect_url_)));
    error_ = ::GetLastError();
  }
  ScopedInternetHandle TakeResult() { return std::move(result_); }
  DWORD error() const { return error_; }
  const std::wstring& redirect_url() const { return redirect_url_; }

 private:
  HINTERNET internet_;
  std::wstring url_;
  std::wstring redirect_url_;
  ScopedInternetHandle result_;
  DWORD error_ = 0;
};

bool IsStopped(HANDLE stop_event) {
  return stop_event != nullptr && ::WaitForSingleObject(stop_event, 0) == WAIT_OBJECT_0;
}

// One open, read and finalize pass of `downloader`, reporting to `sink`.
bool RunDownload(Downloader* downloader, const std::wstring& url, Writer* writer, HANDLE stop_event,
                 DownloadProgressSink* sink) {
  if (!downloader->OpenDownload(url, writer)) return false;
  if (sink != nullptr && writer->GetSize() == 0) {
    sink->SetProgress(0.0f);
    sink->SetTimeLeft(-1, kTimeLeftUnknown);
  }
  const DWORD start_ms = ::GetTickCount();
  DWORD last_estimate_ms = 0;
  for (;;) {
    if (IsStopped(stop_event)) {
      LOG_INFO << "Download stopped: " << url;
      return false;
    }
    if (downloader->ReadChunk() == 0) break;
    if (sink == nullptr) continue;
    const DWORD now_ms = ::GetTickCount();
    const ProgressReport report = ComputeProgress(writer->GetSize(), downloader->total_size(),
                                                  now_ms, start_ms, last_estimate_ms);
    if (report.has_fraction) sink->SetProgress(report.fraction);
    if (report.slow) sink->OnSlowDownload();
    if (report.has_estimate) {
      sink->SetTimeLeft(static_cast<int>(report.remaining_seconds), kTimeLeftEstimate);
      last_estimate_ms = now_ms;
    }
  }
  if (!downloader->FinalizeDownload()) return false;
  if (sink != nullptr) {
    sink->SetProgress(1.0f);
    sink->SetTimeLeft(0, kTimeLeftDone);
  }
  return true;
}

// Attempts of the convenience entry points: the writer keeps what it has unless
// too little came, a stop or an exception ends the tries.
bool DownloadWithRetries(const std::wstring& url, Writer* writer, HANDLE stop_event,
                         std::wstring* headers, std::string* error_text) {
  for (int attempt = 0; attempt < kConvenienceAttempts; ++attempt) {
    Downloader downloader(stop_event);
    const bool done = RunDownload(&downloader, url, writer, stop_event, nullptr);
    if (error_text != nullptr) *error_text = downloader.error_text();
    if (done) {
      if (headers != nullptr) *headers = downloader.GetResponseHeaders();
      return true;
    }
    if (IsStopped(stop_event) || downloader.error_info().exception_code != 0) return false;
    if (ShouldEmptyWriterAfterFailure(writer->GetSize(), downloader.total_size())) {
      writer->Reset();
    }
  }
  return false;
}

}  // namespace

bool ModuleWriter::Write(const void* data, uint32_t size) {
  DWORD written = 0;
  if (!::WriteFile(file_, data, size, &written, nullptr) || written != size) {
    LOG_ERROR << "WriteFile failed";
    return false;
  }
  size_ += size;
  return true;
}

bool ModuleWriter::Reset() {
  LARGE_INTEGER start = {};
  if (!::SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_)) {
    LOG_ERROR << "Failed to empty the file";
    return false;
  }
  size_ = 0;
  return true;
}

bool MemoryWriter::Write(const void* data, uint32_t size) {
  data_.append(static_cast<const char*>(data), size);
  return true;
}

bool MemoryWriter::Reset() {
  data_.clear();
  return true;
}

std::string BuildErrorText(const char* step_prefix, DWORD system_error) {
  return std::string(step_prefix) + std::to_string(system_error);
}

std::string BuildFinalQueryErrorText(uint32_t http_status, DWORD system_error) {
  return "final_query_info-" + std::to_string(http_status) + "-" + std::to_string(system_error);
}

bool IsResumePositioned(uint32_t written_size, DWORD new_position) {
  return new_position == written_size;
}

bool IsBodyCutShort(uint32_t written_size, uint32_t total_size) {
  return total_size != 0 && written_size < total_size;
}

bool ShouldEmptyWriterAfterFailure(uint32_t written_size, uint32_t total_size) {
  return written_size < static_cast<uint64_t>(total_size) * 10 / 100;
}

ProgressReport ComputeProgress(uint32_t written, uint32_t total, DWORD now_ms, DWORD start_ms,
                               DWORD last_estimate_ms) {
  ProgressReport report;
  if (total == 0) return report;
  report.has_fraction = true;
  report.fraction = static_cast<float>(written) / static_cast<float>(total);
  if (written == 0 || now_ms - last_estimate_ms < kTimeLeftIntervalMs) return report;
  const uint64_t elapsed_ms = now_ms - start_ms;
  const uint64_t left_bytes = total > written ? total - written : 0;
  const uint64_t remaining_seconds = elapsed_ms * left_bytes / written / 1000;
  report.has_estimate = true;
  report.remaining_seconds = static_cast<uint32_t>(remaining_seconds);
  report.slow = elapsed_ms / 1000 + remaining_seconds >= kSlowDownloadSeconds;
  return report;
}

Downloader::Downloader(HANDLE stop_event)
    : stop_event_(stop_event), buffer_(std::make_unique<char[]>(kReadBufferSizeBytes)) {}

Downloader::~Downloader() = default;

void Downloader::SetError(const char* step_prefix) {
  error_text_ = BuildErrorText(step_prefix, ::GetLastError());
}

bool Downloader::QueryNumber(DWORD info_level, uint32_t* value) const {
  DWORD number = 0;
  DWORD size = sizeof(number);
  if (!::HttpQueryInfoW(url_handle_.Get(), info_level | HTTP_QUERY_FLAG_NUMBER, &number, &size,
                        nullptr)) {
    return false;
  }
  *value = number;
  return true;
}

bool Downloader::OpenDownload(const std::wstring& url, Writer* writer) {
  url_.clear();
  error_text_.clear();
  redirect_url_.clear();
  internet_.Reset(::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet_.IsValid()) {
    SetError("internet_open-");
    LOG_ERROR << "InternetOpen failed";
    return false;
  }
  if (::InternetSetStatusCallbackW(internet_.Get(), StatusCallback) ==
      INTERNET_INVALID_STATUS_CALLBACK) {
    LOG_ERROR << "SetStatusCallback failed";
  }
  auto task = std::make_shared<OpenUrlTask>(internet_.Get(), url);
  const GuardedResult result = RunGuarded(task, stop_event_, &error_info_);
  if (result == GuardedResult::kFaulted) {
    LOG_ERROR << "An attempt to open url " << url << " generated an exception "
              << error_info_.exception_code;
    return false;
  }
  if (result == GuardedResult::kStopped) {
    // Closing the session cancels the open where the system supports it.
    internet_.Reset();
    ::SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
    SetError("internet_open_url-");
    return false;
  }
  redirect_url_ = task->redirect_url();
  url_handle_ = task->TakeResult();
  if (!url_handle_.IsValid()) {
    ::InternetSetStatusCallbackW(internet_.Get(), nullptr);
    ::SetLastError(task->error());
    SetError("internet_open_url-");
    LOG_ERROR << "InternetOpenUrl failed: " << url;
    return false;
  }
  DWORD timeout_ms = kReceiveTimeoutMs;
  if (!::InternetSetOptionW(url_handle_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout_ms,
                            sizeof(timeout_ms))) {
    LOG_WARNING << "Failed to set the receive time-out";
  }
  const uint32_t written = writer->GetSize();
  if (written != 0) {
    const DWORD position = ::InternetSetFilePointer(url_handle_.Get(), static_cast<LONG>(written),
                                                    nullptr, FILE_BEGIN, 0);
    if (!IsResumePositioned(written, position)) {
      SetError("internet_set_file_pointer-");
      LOG_ERROR << "Failed to resume at " << written << ", starting over";
      writer->Reset();
    }
  }
  // The request handle took the callback over from the session when it was made.
  ::InternetSetStatusCallbackW(url_handle_.Get(), nullptr);
  ::InternetSetStatusCallbackW(internet_.Get(), nullptr);
  url_ = url;
  writer_ = writer;
  LOG_INFO << "Connection established: " << url;
  return true;
}

uint32_t Downloader::ReadChunk() {
  if (!error_text_.empty()) return 0;
  DWORD read = 0;
  if (!::InternetReadFile(url_handle_.Get(), buffer_.get(), kReadBufferSizeBytes, &read)) {
    SetError("internet_read-");
    LOG_ERROR << "Download chunk error.";
    return 0;
  }
  if (!status_known_) status_known_ = QueryNumber(HTTP_QUERY_STATUS_CODE, &status_);
  if (status_known_ && status_ != kHttpStatusOk) {
    LOG_INFO << "HTTP request status isn't OK";
    LOG_INFO << "HTTP status: " << status_;
    return 0;
  }
  if (read != 0 && !writer_->Write(buffer_.get(), read)) {
    SetError("write_file-");
    LOG_ERROR << "Write file error.";
    return 0;
  }
  if (!total_size_queried_) {
    total_size_queried_ = true;
    QueryNumber(HTTP_QUERY_CONTENT_LENGTH, &total_size_);
  }
  if (read == 0 && IsBodyCutShort(writer_->GetSize(), total_size_)) {
    ::SetLastError(ERROR_INTERNET_CONNECTION_RESET);
    SetError("internet_read-");
    LOG_ERROR << "Download chunk error. The body ended at " << writer_->GetSize() << " of "
              << total_size_;
  }
  return read;
}

bool Downloader::FinalizeDownload(uint32_t* http_status) {
  if (!error_text_.empty()) return false;
  uint32_t status = 0;
  const bool known = QueryNumber(HTTP_QUERY_STATUS_CODE, &status);
  if (known && status == kHttpStatusOk) return true;
  error_text_ = BuildFinalQueryErrorText(status, ::GetLastError());
  LOG_INFO << "Unsuccessful download: " << url_;
  if (http_status != nullptr) *http_status = status;
  return false;
}

std::wstring Downloader::GetResponseHeaders() const {
  DWORD size = 0;
  ::HttpQueryInfoW(url_handle_.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
  if (size == 0) return std::wstring();
  std::wstring headers(size / sizeof(wchar_t) + 1, L'\0');
  if (!::HttpQueryInfoW(url_handle_.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &size,
                        nullptr)) {
    LOG_ERROR << "HttpQueryInfo failed";
    return std::wstring();
  }
  headers.resize(size / sizeof(wchar_t));
  return headers;
}

bool DownloadFile(const std::wstring& url, Writer* writer, std::string* error_text,
                  std::wstring* redirect_url, uint32_t* total_size, HANDLE stop_event,
                  DownloadProgressSink* sink, DownloadErrorInfo* error_info) {
  Downloader downloader(stop_event);
  const bool done = RunDownload(&downloader, url, writer, stop_event, sink);
  if (error_info != nullptr) *error_info = downloader.error_info();
  if (error_text != nullptr) *error_text = downloader.error_text();
  if (redirect_url != nullptr) *redirect_url = downloader.redirect_url();
  if (total_size != nullptr) *total_size = downloader.total_size();
  return done;
}

bool DownloadToFile(const std::wstring& url, const std::wstring& target, HANDLE stop_event,
                    std::string* error_text) {
  wchar_t temp_path[MAX_PATH] = {};
  const std::wstring temp_folder = base::GetTempFolder();
  if (temp_folder.empty() || ::GetTempFileNameW(temp_folder.c_str(), L"vb", 0, temp_path) == 0) {
    LOG_ERROR << "GetTempFileName failed";
    return false;
  }
  bool done = false;
  {
    base::ScopedHandle file(::CreateFileW(temp_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      LOG_ERROR << "CreateFile failed: " << temp_path;
    } else {
      ModuleWriter writer(file.Get());
      done = DownloadWithRetries(url, &writer, stop_event, nullptr, error_text);
    }
  }
  if (done && !::MoveFileExW(temp_path, target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    LOG_ERROR << "MoveFileEx failed: " << target;
    done = false;
  }
  if (!done) ::DeleteFileW(temp_path);
  return done;
}

bool DownloadToMemory(const std::wstring& url, HANDLE stop_event, std::string* body,
                      std::wstring* headers, std::string* error_text) {
  MemoryWriter writer;
  if (!DownloadWithRetries(url, &writer, stop_event, headers, error_text)) return false;
  if (body != nullptr) *body = writer.data();
  return true;
}

}  // namespace net
