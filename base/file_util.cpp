#include "base/file_util.h"

#include <windows.h>

#include "base/log.h"
#include "base/scoped_handle.h"

namespace base {

std::wstring GetTempFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD size = ::GetTempPathW(MAX_PATH, buffer);
  if (size == 0 || size >= MAX_PATH) return std::wstring();
  return std::wstring(buffer, size);
}

std::wstring GetModulePath() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD size = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (size == 0 || size >= MAX_PATH) return std::wstring();
  return std::wstring(buffer, size);
}

std::wstring DirName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring BaseName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteFolderRecursively(const std::wstring& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW data = {};
  {
    ScopedFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    while (find.IsValid()) {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") {
        const std::wstring child = path + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          DeleteFolderRecursively(child);
        } else {
          ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileW(child.c_str());
        }
      }
      if (!::FindNextFileW(find.Get(), &data)) break;
    }
  }
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

bool WriteDataToFile(const std::wstring& path, std::string_view data) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    LOG_ERROR << "Can't create file " << path;
    return false;
  }
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size()) {
    LOG_ERROR << "Can't write file " << path;
    return false;
  }
  return true;
}

}  // namespace base
