#include "crash/http_transport.h"

#include <winhttp.h>

#include "base/file_version.h"
#include "base/log.h"
#include "base/scoped_handle.h"
#include "base/strings.h"

namespace crash {
namespace {

constexpr char kUserAgentProduct[] = "Crashpad/0.8.0";

struct WinHttpHandleTraits {
  using Handle = HINTERNET;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::WinHttpCloseHandle(h); }
};
using ScopedWinHttpHandle = base::ScopedGeneric<WinHttpHandleTraits>;

std::string FormatVersion(const VS_FIXEDFILEINFO& info) {
  return "/" + std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info.dwFileVersionLS)) + "." +
         std::to_string(LOWORD(info.dwFileVersionLS));
}

bool WriteAll(HINTERNET request, const std::string& bytes) {
  DWORD written = 0;
  return ::WinHttpWriteData(request, bytes.data(), static_cast<DWORD>(bytes.size()), &written) &&
         written == bytes.size();
}

// Sends the body after the request line; chunked when `content_length` is
// absent (negative).
bool SendBody(HINTERNET request, BodyStream* body, int64_t content_length) {
  const DWORD total =
      content_length < 0 ? WINHTTP_IGNORE_REQUEST_TOTAL_LENGTH : static_cast<DWORD>(content_length);
  if (!::WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            total, 0)) {
    LOG_ERROR << "WinHttpSendRequest failed";
    return false;
  }
  std::string buffer(kChunkReadBytes, '\0');
  for (;;) {
    const int64_t count = body->Read(reinterpret_cast<uint8_t*>(&buffer[0]), buffer.size());
    if (count < 0) {
      LOG_ERROR << "Failed to read the request body";
      return false;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(buffer.data());
    const std::string piece = content_length < 0 ? FrameChunk(data, static_cast<size_t>(count))
                                                 : buffer.substr(0, static_cast<size_t>(count));
    if (!piece.empty() && !WriteAll(request, piece)) {
      LOG_ERROR << "WinHttpWriteData failed";
      return false;
    }
    if (count == 0) return true;
  }
}

}  // namespace

std::string FrameChunk(const uint8_t* data, size_t size) {
  std::string chunk = base::HexText(size, 8, false) + "\r\n";
  chunk.append(reinterpret_cast<const char*>(data), size);
  return chunk + "\r\n";
}

std::string FormatUserAgent(const VS_FIXEDFILEINFO* winhttp, const VS_FIXEDFILEINFO* kernel32,
                            bool wow64) {
  std::string agent = kUserAgentProduct;
  if (winhttp != nullptr) agent += " WinHTTP" + FormatVersion(*winhttp);
  if (kernel32 != nullptr && (kernel32->dwFileOS & VOS_NT_WINDOWS32) == VOS_NT_WINDOWS32) {
    agent += " Windows_NT" + FormatVersion(*kernel32) + " (x86";
    if (wow64) agent += "; WoW64";
    agent += ")";
  }
  return agent;
}

std::string GetUserAgent() {
  VS_FIXEDFILEINFO winhttp = {};
  VS_FIXEDFILEINFO kernel32 = {};
  const bool winhttp_known = base::GetFixedFileInfo(L"winhttp.dll", &winhttp);
  const bool kernel32_known = base::GetFixedFileInfo(L"kernel32.dll", &kernel32);
  BOOL wow64 = FALSE;
  if (!::IsWow64Process(::GetCurrentProcess(), &wow64)) wow64 = FALSE;
  return FormatUserAgent(winhttp_known ? &winhttp : nullptr, kernel32_known ? &kernel32 : nullptr,
                         wow64 != FALSE);
}

bool SendHttpPost(const std::wstring& url, const HttpHeaders& headers, BodyStream* body,
                  DWORD timeout_ms) {
  ScopedWinHttpHandle session(::WinHttpOpen(base::Utf8ToWide(GetUserAgent()).c_str(),
                                            WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.IsValid()) {
    LOG_ERROR << "WinHttpOpen failed";
    return false;
  }
  const int timeout = static_cast<int>(timeout_ms);
  if (!::WinHttpSetTimeouts(session.Get(), timeout, timeout, timeout, timeout)) {
    LOG_ERROR << "WinHttpSetTimeouts failed";
    return false;
  }
  wchar_t host[256] = {};
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = ARRAYSIZE(host);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
    LOG_ERROR << L"WinHttpCrackUrl failed: " << url;
    return false;
  }
  ScopedWinHttpHandle connection(::WinHttpConnect(session.Get(), host, parts.nPort, 0));
  if (!connection.IsValid()) {
    LOG_ERROR << "WinHttpConnect failed";
    return false;
  }
  const std::wstring path_and_query = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                      std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  ScopedWinHttpHandle request(
      ::WinHttpOpenRequest(connection.Get(), L"POST", path_and_query.c_str(), nullptr,
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!request.IsValid()) {
    LOG_ERROR << "WinHttpOpenRequest failed";
    return false;
  }

  int64_t content_length = -1;
  HttpHeaders all_headers = headers;
  for (const auto& [name, value] : headers) {
    if (base::EqualsIgnoreCaseAscii(name, "Content-Length") &&
        !base::ParseInt64(value, &content_length)) {
      LOG_ERROR << "Bad Content-Length: " << value;
      return false;
    }
  }
  if (content_length < 0) all_headers.emplace_back("Transfer-Encoding", "chunked");
  for (const auto& [name, value] : all_headers) {
    const std::wstring line = base::Utf8ToWide(name + ": " + value + "\r\n");
    if (!::WinHttpAddRequestHeaders(request.Get(), line.c_str(), static_cast<DWORD>(line.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD)) {
      LOG_ERROR << "WinHttpAddRequestHeaders failed: " << name;
      return false;
    }
  }
  if (!SendBody(request.Get(), body, content_length)) return false;
  if (!::WinHttpReceiveResponse(request.Get(), nullptr)) {
    LOG_ERROR << "WinHttpReceiveResponse failed";
    return false;
  }
  DWORD status = 0;
  DWORD status_size = sizeof(status);
  if (!::WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                             WINHTTP_NO_HEADER_INDEX)) {
    LOG_ERROR << "WinHttpQueryHeaders failed";
    return false;
  }
  if (status != 200) {
    LOG_ERROR << "Unexpected HTTP status " << static_cast<unsigned long>(status);
    return false;
  }
  char discard[kResponseReadBytes];
  DWORD read = 0;
  while (::WinHttpReadData(request.Get(), discard, sizeof(discard), &read) && read != 0) {
  }
  return true;
}

}  // namespace crash
