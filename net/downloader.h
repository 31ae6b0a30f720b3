#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_handle.h"
#include "net/guarded_call.h"
#include "net/internet_handle.h"

namespace net {

// The sink a download writes into.
class Writer {
 public:
  virtual ~Writer() = default;
  // All or nothing: true only when every byte was written.
  virtual bool Write(const void* data, uint32_t size) = 0;
  // Empties the destination; the written size becomes 0.
  virtual bool Reset() = 0;
  virtual uint32_t GetSize() const = 0;
};

// Writes into an open file handle, not owned.
class ModuleWriter : public Writer {
 public:
  explicit ModuleWriter(HANDLE file) : file_(file) {}
  bool Write(const void* data, uint32_t size) override;
  bool Reset() override;
  uint32_t GetSize() const override { return size_; }

 private:
  HANDLE file_;
  uint32_t size_ = 0;
};

// Appends to a byte string.
class MemoryWriter : public Writer {
 public:
  bool Write(const void* data, uint32_t size) override;
  bool Reset() override;
  uint32_t GetSize() const override { return static_cast<uint32_t>(data_.size()); }
  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

// The kinds of a time-left report.
enum TimeLeftKind : int { kTimeLeftUnknown = 0, kTimeLeftEstimate = 1, kTimeLeftDone = 2 };

class DownloadProgressSink {
 public:
  virtual ~DownloadProgressSink() = default;
  virtual void SetProgress(float fraction) = 0;
  virtual void OnSlowDownload() = 0;
  virtual void SetTimeLeft(int value, int kind) = 0;
};

// Each read is a round trip to the system's network layer (under Wine, to its
// server process), so reads must be large: 256 KiB reached the speed of a
// native client on loopback, 32 KiB about a third of it, 1 MiB was slower
// again (tools/bench).
inline constexpr uint32_t kReadBufferSizeBytes = 256 * 1024;
inline constexpr DWORD kTimeLeftIntervalMs = 60000;  // one minute
inline constexpr uint64_t kSlowDownloadSeconds = 121;

// The error text of a failed step: the step's prefix, then the system error.
std::string BuildErrorText(const char* step_prefix, DWORD system_error);
// "final_query_info-" + HTTP status + "-" + system error.
std::string BuildFinalQueryErrorText(uint32_t http_status, DWORD system_error);

// A resumed download keeps its bytes only when the body could be positioned
// exactly behind them.
bool IsResumePositioned(uint32_t written_size, DWORD new_position);
// The body ended before the announced length: the connection was dropped, which
// the system may report as a normal end.
bool IsBodyCutShort(uint32_t written_size, uint32_t total_size);
// After a failed attempt, a writer holding less than a tenth of the announced
// total is emptied; more is kept for the next attempt on the same URL.
bool ShouldEmptyWriterAfterFailure(uint32_t written_size, uint32_t total_size);

// What one progress step reports, from sizes and tick counts alone.
struct ProgressReport {
  bool has_fraction = false;
  float fraction = 0.0f;
  bool has_estimate = false;
  uint32_t remaining_seconds = 0;
  bool slow = false;
};
ProgressReport ComputeProgress(uint32_t written, uint32_t total, DWORD now_ms, DWORD start_ms,
                               DWORD last_estimate_ms);

// One download attempt of one URL.
class Downloader {
 public:
  // A set `stop_event` (may be null) also ends a URL open that does not return.
  explicit Downloader(HANDLE stop_event = nullptr);
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  bool OpenDownload(const std::wstring& url, Writer* writer);
  // Bytes read and written in this step; 0 ends the transfer.
  uint32_t ReadChunk();
  bool FinalizeDownload(uint32_t* http_status = nullptr);

  const std::string& error_text() const { return error_text_; }
  const std::wstring& redirect_url() const { return redirect_url_; }
  uint32_t total_size() const { return total_size_; }
  const DownloadErrorInfo& error_info() const { return error_info_; }
  // The raw response headers, one per line; empty before a successful open.
  std::wstring GetResponseHeaders() const;

 private:
  bool QueryNumber(DWORD info_level, uint32_t* value) const;
  void SetError(const char* step_prefix);

  HANDLE stop_event_;
  std::wstring url_;
  std::string error_text_;
  DownloadErrorInfo error_info_;
  std::wstring redirect_url_;
  uint32_t total_size_ = 0;
  // The status and the length do not change while the body arrives: each is
  // asked once, at the first read.
  bool status_known_ = false;
  uint32_t status_ = 0;
  bool total_size_queried_ = false;
  Writer* writer_ = nullptr;
  ScopedInternetHandle internet_;
  ScopedInternetHandle url_handle_;
  std::unique_ptr<char[]> buffer_;
};

// Opens, reads to the end and finalizes one URL. Every out argument, the stop
// event and the sink may be absent.
bool DownloadFile(const std::wstring& url, Writer* writer, std::string* error_text,
                  std::wstring* redirect_url, uint32_t* total_size, HANDLE stop_event,
                  DownloadProgressSink* sink, DownloadErrorInfo* error_info);

// Downloads into a temporary "vb" file in the temporary folder and moves it over
// `target` when complete; a failed download leaves the target as it was.
bool DownloadToFile(const std::wstring& url, const std::wstring& target, HANDLE stop_event,
                    std::string* error_text);
// Downloads into memory and keeps the raw response headers.
bool DownloadToMemory(const std::wstring& url, HANDLE stop_event, std::string* body,
                      std::wstring* headers, std::string* error_text);

}  // namespace net
