#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_handle.h"
#include "crash/crash_info_stream.h"

namespace crash {

// The form field that carries the dump; an annotation may not take its name.
inline constexpr char kDumpFieldName[] = "upload_file_minidump";
inline constexpr DWORD kUploadTimeoutMs = 60000;  // 1 minute
inline constexpr DWORD kDumpTypeIndirectMemory = 0x40;

// ASCII letters, digits and "-_.~" as they are; every other byte as "%XX".
std::string EncodeQueryValue(const std::string& value);
// `endpoint` + "/submit", with "product", "version" and "guid" taken from the
// annotations "prod", "ver" and "guid" when present.
std::string BuildReportUrl(const std::string& endpoint, const Annotations& annotations);

// Test builds only: reports go to `endpoint` and carry a Content-Length, the
// upload a test server under Wine can take.
void SetReportEndpointForTesting(const std::string& endpoint);

// Writes a minidump with the annotations when the process crashes, and
// uploads it. One per process, created first thing by the entry; the
// unhandled-exception filter finds it through a process-wide pointer.
class CrashReporter {
 public:
  CrashReporter();
  ~CrashReporter();
  CrashReporter(const CrashReporter&) = delete;
  CrashReporter& operator=(const CrashReporter&) = delete;

  // The installed reporter, or null when dumps cannot be written.
  static CrashReporter* Instance();

  // Stored only when key and value are non-empty; a key keeps its first value.
  void SetAnnotation(const std::string& key, const std::string& value);

  // Writes the dump with the crash information stream at its patched place;
  // a dump that could not be completed is removed.
  bool WriteDump(EXCEPTION_POINTERS* exception_pointers);
  // Uploads the dump; the dump is deleted whatever the result.
  bool SendReport();

  const Annotations& annotations() const { return annotations_; }
  const std::wstring& dump_path() const { return dump_path_; }

 private:
  using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, int, const void*,
                                                  const void*, const void*);

  static LONG WINAPI HandleException(EXCEPTION_POINTERS* exception_pointers);
  bool PatchDump(HANDLE file) const;

  std::wstring dump_path_;
  base::ScopedModule dbghelp_;
  MiniDumpWriteDumpFunction write_dump_ = nullptr;
  uint8_t client_id_[kGuidBytes] = {};
  uint8_t report_id_[kGuidBytes] = {};
  std::string client_id_text_;
  bool upload_enabled_ = true;
  bool gzip_enabled_ = true;
  Annotations annotations_;
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter_ = nullptr;
  bool filter_installed_ = false;
};

}  // namespace crash
