// The plainest WinINet download, the baseline that shows what the platform
// itself reaches: bare_download URL OUTPUT READ_KIB [checked]
// "checked" adds what the installer does per read: a status query and a
// zero-time wait on an event. Prints elapsed_ms=N.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fwprintf(stderr, L"usage: bare_download URL OUTPUT READ_KIB [checked]\n");
    return 2;
  }
  const DWORD read_size = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) * 1024;
  const bool checked = argc > 4 && std::wcscmp(argv[4], L"checked") == 0;
  const DWORD start = ::GetTickCount();
  HINTERNET internet =
      ::InternetOpenW(L"bare_download", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET url = internet ? ::InternetOpenUrlW(internet, argv[1], L"Accept: */*",
                                                static_cast<DWORD>(-1), INTERNET_FLAG_RELOAD, 0)
                           : nullptr;
  HANDLE file = ::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (url == nullptr || file == INVALID_HANDLE_VALUE) return 1;
  std::unique_ptr<char[]> buffer(new char[read_size]);
  for (;;) {
    if (checked && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0) return 1;
    DWORD read = 0;
    if (!::InternetReadFile(url, buffer.get(), read_size, &read)) return 1;
    if (checked) {
      DWORD status = 0;
      DWORD size = sizeof(status);
      ::HttpQueryInfoW(url, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                       nullptr);
    }
    if (read == 0) break;
    DWORD written = 0;
    if (!::WriteFile(file, buffer.get(), read, &written, nullptr)) return 1;
  }
  ::CloseHandle(file);
  ::CloseHandle(event);
  ::InternetCloseHandle(url);
  ::InternetCloseHandle(internet);
  std::printf("elapsed_ms=%lu\n", ::GetTickCount() - start);
  return 0;
}
