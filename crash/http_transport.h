#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "crash/multipart_body.h"

namespace crash {

inline constexpr size_t kChunkReadBytes = 32768;
inline constexpr size_t kResponseReadBytes = 4096;

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// One chunk of a chunked body: the size as eight hex digits, CR LF, the bytes,
// CR LF. A chunk of no bytes ends the body.
std::string FrameChunk(const uint8_t* data, size_t size);

// "Crashpad/0.8.0", then " WinHTTP/a.b.c.d" from winhttp.dll's version and
// " Windows_NT/a.b.c.d (x86[; WoW64])" from kernel32.dll's; each part is left
// out when its version is unknown (null), the Windows part also when the file
// is not marked for 32-bit Windows NT.
std::string FormatUserAgent(const VS_FIXEDFILEINFO* winhttp, const VS_FIXEDFILEINFO* kernel32,
                            bool wow64);
// The user agent of this process.
std::string GetUserAgent();

// POSTs `body` to `url` through WinHTTP with `timeout_ms` for each network
// step. Without a "Content-Length" header the body goes chunked. True only
// when the server answered 200.
bool SendHttpPost(const std::wstring& url, const HttpHeaders& headers, BodyStream* body,
                  DWORD timeout_ms);

}  // namespace crash
