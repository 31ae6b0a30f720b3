// rand_s, the system's random source, is declared only on request.
#define _CRT_RAND_S

#include "crash/crash_reporter.h"

#include <dbghelp.h>
#include <objbase.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/file_util.h"
#include "base/log.h"
#include "base/strings.h"
#include "config/brand_info.h"
#include "crash/gzip_stream.h"
#include "crash/http_transport.h"
#include "crash/multipart_body.h"
#include "endpoints.h"
#include "net/user_id.h"

namespace crash {
namespace {

CrashReporter* g_reporter = nullptr;
// Set when the filter runs: a second entry is a crash inside the handler.
volatile LONG g_handling = 0;
std::string g_test_endpoint;

constexpr uint32_t kMinidumpHeaderSize = 32;
constexpr uint32_t kDirectoryEntrySize = 12;

// The GUID in registry form without its braces, upper-case.
std::string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  if (::StringFromGUID2(guid, text, ARRAYSIZE(text)) == 0) return std::string();
  return net::StripBraces(base::WideToUtf8(text));
}

// Reads or writes exactly `size` bytes at `offset`.
bool ReadAt(HANDLE file, uint32_t offset, uint32_t size, std::string* bytes) {
  LARGE_INTEGER position = {};
  position.QuadPart = offset;
  bytes->assign(size, '\0');
  DWORD done = 0;
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
         (size == 0 || ::ReadFile(file, &(*bytes)[0], size, &done, nullptr)) && done == size;
}

bool WriteAt(HANDLE file, uint32_t offset, const std::string& bytes) {
  LARGE_INTEGER position = {};
  position.QuadPart = offset;
  DWORD done = 0;
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
         (bytes.empty() ||
          ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) &&
         done == bytes.size();
}

// The dump file as a body part.
class FileStream : public BodyStream {
 public:
  explicit FileStream(HANDLE file) : file_(file) {}
  int64_t Read(uint8_t* buffer, size_t size) override {
    DWORD read = 0;
    if (!::ReadFile(file_, buffer, static_cast<DWORD>(size), &read, nullptr)) return -1;
    return read;
  }

 private:
  HANDLE file_;
};

// The whole stream in memory, for an upload that states its length.
bool ReadWholeStream(BodyStream* stream, std::string* bytes) {
  uint8_t buffer[kChunkReadBytes];
  for (;;) {
    const int64_t count = stream->Read(buffer, sizeof(buffer));
    if (count < 0) return false;
    if (count == 0) return true;
    bytes->append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
  }
}

}  // namespace

std::string EncodeQueryValue(const std::string& value) {
  std::string encoded;
  for (const char c : value) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      encoded.push_back(c);
    } else {
      encoded += "%" + base::HexText(static_cast<uint8_t>(c), 2, true);
    }
  }
  return encoded;
}

std::string BuildReportUrl(const std::string& endpoint, const Annotations& annotations) {
  static constexpr std::pair<const char*, const char*> kQueryNames[] = {
      {"prod", "product"}, {"ver", "version"}, {"guid", "guid"}};
  std::string url = endpoint + "/submit";
  bool first = true;
  for (const auto& [annotation, name] : kQueryNames) {
    const auto found = annotations.find(annotation);
    if (found == annotations.end()) continue;
    url += (first ? '?' : '&') + std::string(name) + "=" + EncodeQueryValue(found->second);
    first = false;
  }
  return url;
}

void SetReportEndpointForTesting(const std::string& endpoint) { g_test_endpoint = endpoint; }

CrashReporter::CrashReporter() {
  GUID report_id = {};
  if (FAILED(::CoCreateGuid(&report_id))) report_id = GUID();
  std::memcpy(report_id_, &report_id, kGuidBytes);
  const std::string report_id_text = GuidText(report_id);
  dump_path_ = base::GetTempFolder() + base::Utf8ToWide(report_id_text) + L".dmp";

  std::string user_id = net::GetUserId();
  if (user_id.empty() || user_id.front() != '{') user_id = "{" + user_id + "}";
  GUID client_id = {};
  if (FAILED(::CLSIDFromString(base::Utf8ToWide(user_id).c_str(), &client_id))) {
    LOG_WARNING_AS("Impl") << "uid not found, use empty";
    client_id = GUID();
  }
  std::memcpy(client_id_, &client_id, kGuidBytes);
  client_id_text_ = GuidText(client_id);

  SetAnnotation("uid", client_id_text_);
  SetAnnotation("report_id", report_id_text);
  SetAnnotation("ver", config::kBrowserVersion);
  SetAnnotation("plat", "Win32");
  SetAnnotation("prod", "Velmar");
  SetAnnotation("ptype", "installer");
  SetAnnotation("gzip_enabled", gzip_enabled_ ? "true" : "false");

  dbghelp_.Reset(::LoadLibraryW(L"dbghelp.dll"));
  if (dbghelp_.IsValid()) {
    write_dump_ = reinterpret_cast<MiniDumpWriteDumpFunction>(
        reinterpret_cast<void*>(::GetProcAddress(dbghelp_.Get(), "MiniDumpWriteDump")));
  }
  if (write_dump_ == nullptr) return;
  previous_filter_ = ::SetUnhandledExceptionFilter(&CrashReporter::HandleException);
  filter_installed_ = true;
  g_reporter = this;
}

CrashReporter::~CrashReporter() {
  if (!filter_installed_) return;
  ::SetUnhandledExceptionFilter(previous_filter_);
  g_reporter = nullptr;
}

CrashReporter* CrashReporter::Instance() { return g_reporter; }

void CrashReporter::SetAnnotation(const std::string& key, const std::string& value) {
  if (key.empty() || value.empty()) return;
  annotations_.emplace(key, value);
}

LONG WINAPI CrashReporter::HandleException(EXCEPTION_POINTERS* exception_pointers) {
  CrashReporter* reporter = g_reporter;
  if (::InterlockedExchange(&g_handling, 1) != 0) {
    // The handler itself crashed: leave no dump behind and end the process.
    if (reporter != nullptr) ::DeleteFileW(reporter->dump_path_.c_str());
    return EXCEPTION_EXECUTE_HANDLER;
  }
  if (reporter == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  if (reporter->WriteDump(exception_pointers) && reporter->upload_enabled_) {
    reporter->SendReport();
  }
  return reporter->previous_filter_ != nullptr ? reporter->previous_filter_(exception_pointers)
                                               : EXCEPTION_CONTINUE_SEARCH;
}

bool CrashReporter::WriteDump(EXCEPTION_POINTERS* exception_pointers) {
  if (write_dump_ == nullptr) return false;
  base::ScopedHandle file(::CreateFileW(dump_path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    LOG_ERROR << L"Failed to create dump file " << dump_path_;
    return false;
  }
  const std::string stream = BuildCrashInfoStream(report_id_, client_id_, annotations_);
  MINIDUMP_EXCEPTION_INFORMATION exception = {::GetCurrentThreadId(), exception_pointers, FALSE};
  MINIDUMP_USER_STREAM user_stream = {kCrashInfoStreamType, static_cast<ULONG>(stream.size()),
                                      const_cast<char*>(stream.data())};
  MINIDUMP_USER_STREAM_INFORMATION user_streams = {1, &user_stream};
  bool written =
      write_dump_(::GetCurrentProcess(), ::GetCurrentProcessId(), file.Get(),
                  kDumpTypeIndirectMemory, exception_pointers != nullptr ? &exception : nullptr,
                  &user_streams, nullptr) != FALSE;
  if (!written) {
    LOG_ERROR << "MiniDumpWriteDump failed";
  } else if (!PatchDump(file.Get())) {
    LOG_ERROR << "Failed to patch the crash information in the dump";
    written = false;
  }
  file.Reset();
  if (!written) ::DeleteFileW(dump_path_.c_str());
  return written;
}

bool CrashReporter::PatchDump(HANDLE file) const {
  std::string header;
  if (!ReadAt(file, 0, kMinidumpHeaderSize, &header)) return false;
  const uint32_t stream_count = ReadUint32(header, 8);
  const uint32_t directory_rva = ReadUint32(header, 12);
  std::string directory;
  if (!ReadAt(file, directory_rva, stream_count * kDirectoryEntrySize, &directory)) return false;
  uint32_t stream_rva = 0;
  for (uint32_t i = 0; i < stream_count; ++i) {
    if (ReadUint32(directory, i * kDirectoryEntrySize) == kCrashInfoStreamType) {
      stream_rva = ReadUint32(directory, i * kDirectoryEntrySize + 8);
    }
  }
  std::string stream_header;
  if (stream_rva == 0 || !ReadAt(file, stream_rva, kCrashInfoHeaderSize, &stream_header) ||
      !RelocateCrashInfoHeader(&stream_header, stream_rva) ||
      !WriteAt(file, stream_rva, stream_header)) {
    return false;
  }
  const uint32_t count = static_cast<uint32_t>(annotations_.size());
  std::string count_bytes;
  if (!ReadAt(file, stream_rva + kCrashInfoHeaderSize, 4, &count_bytes) ||
      ReadUint32(count_bytes, 0) != count) {
    return false;
  }
  const uint32_t entries_rva = stream_rva + kCrashInfoHeaderSize + 4;
  std::string entries;
  if (!ReadAt(file, entries_rva, count * kAnnotationEntrySize, &entries)) return false;
  RelocateAnnotationEntries(&entries, count, stream_rva);
  return WriteAt(file, entries_rva, entries);
}

bool CrashReporter::SendReport() {
  bool sent = false;
  {
    base::ScopedHandle file(::CreateFileW(dump_path_.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
      LOG_ERROR << L"Failed to open dump file " << dump_path_;
    } else {
      MultipartBody body(MakeMultipartBoundary([](size_t bound) {
        unsigned int random = 0;
        if (rand_s(&random) != 0) LOG_WARNING << "no random number for the boundary";
        return static_cast<size_t>(random % bound);
      }));
      for (const auto& [key, value] : annotations_) {
        if (key == kDumpFieldName) {
          LOG_WARNING << "reserved key " << key << ", discarding value " << value;
          continue;
        }
        body.AddField(key, value);
      }
      body.AddFile(kDumpFieldName, client_id_text_ + ".dmp", "application/octet-stream",
                   std::make_unique<FileStream>(file.Get()));
      HttpHeaders headers = {{"Content-Type", body.GetContentType()}};
      GzipStream gzip(&body);
      BodyStream* stream = &body;
      if (gzip_enabled_) {
        headers.emplace_back("Content-Encoding", "gzip");
        stream = &gzip;
      }
      const std::string endpoint =
          g_test_endpoint.empty() ? std::string(endpoints::kCrashHost) : g_test_endpoint;
      const std::wstring url = base::Utf8ToWide(BuildReportUrl(endpoint, annotations_));
      if (g_test_endpoint.empty()) {
        sent = SendHttpPost(url, headers, stream, kUploadTimeoutMs);
      } else {
        std::string whole;
        if (ReadWholeStream(stream, &whole)) {
          headers.emplace_back("Content-Length", std::to_string(whole.size()));
          StringStream buffered(std::move(whole));
          sent = SendHttpPost(url, headers, &buffered, kUploadTimeoutMs);
        }
      }
      LOG_INFO << "Crash report sent=" << (sent ? 1 : 0);
    }
  }
  ::DeleteFileW(dump_path_.c_str());
  return sent;
}

}  // namespace crash
