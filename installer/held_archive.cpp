#include "installer/held_archive.h"

#include <windows.h>

#include <cwctype>

#include "base/log.h"

namespace installer {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The full, long form of a path, so that the temporary folder and a file in
// it compare alike whichever form each was written in.
std::wstring FullLongPath(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {};
  const DWORD full_size = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (full_size == 0 || full_size >= MAX_PATH) return std::wstring();
  wchar_t long_path[MAX_PATH] = {};
  const DWORD long_size = ::GetLongPathNameW(full, long_path, MAX_PATH);
  if (long_size == 0 || long_size >= MAX_PATH) return std::wstring(full, full_size);
  return std::wstring(long_path, long_size);
}

}  // namespace

bool IsFileInFolder(std::wstring_view path, std::wstring_view folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  if (folder.empty() || path.size() <= folder.size() + 1 || path[folder.size()] != L'\\') {
    return false;
  }
  for (size_t i = 0; i < folder.size(); ++i) {
    if (std::towlower(path[i]) != std::towlower(folder[i])) return false;
  }
  const std::wstring_view name = path.substr(folder.size() + 1);
  return name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

base::ScopedHandle HoldArchive(const std::wstring& path) {
  base::ScopedHandle hold(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_EXECUTE,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!hold.IsValid()) {
    LOG_ERROR << L"Cannot hold the archive: " << path;
    return hold;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(hold.Get(), &info)) {
    LOG_ERROR << L"Cannot read the archive's attributes: " << path;
    hold.Reset();
  } else if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
             0) {
    LOG_WARNING << L"The archive is a link or a folder: " << path;
    hold.Reset();
  }
  return hold;
}

bool HoldArchiveInFolder(const std::wstring& path, const std::wstring& folder,
                         base::ScopedHandle* hold, std::wstring* held_path) {
  const std::wstring full_path = FullLongPath(path);
  const std::wstring full_folder = FullLongPath(folder);
  if (full_path.empty() || full_folder.empty() || !IsFileInFolder(full_path, full_folder)) {
    LOG_WARNING << L"The archive " << path << L" is not in the temporary folder " << folder;
    return false;
  }
  *hold = HoldArchive(full_path);
  if (!hold->IsValid()) return false;
  *held_path = full_path;
  return true;
}

}  // namespace installer
