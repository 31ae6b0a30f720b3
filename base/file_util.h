#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// The user's temporary folder with its trailing backslash; empty when the
// call fails or the path does not fit 260 characters.
std::wstring GetTempFolder();
// This executable's path; empty when it does not fit 260 characters.
std::wstring GetModulePath();

std::wstring DirName(const std::wstring& path);
std::wstring BaseName(const std::wstring& path);
bool PathExists(const std::wstring& path);
// Creates or replaces the file with `data`; false, logged, when it cannot.
bool WriteDataToFile(const std::wstring& path, std::string_view data);
bool DeleteFolderRecursively(const std::wstring& path);

// Deletes a folder and its contents when it goes out of scope.
class ScopedDeleteFolder {
 public:
  explicit ScopedDeleteFolder(std::wstring path) : path_(std::move(path)) {}
  ~ScopedDeleteFolder() { DeleteFolderRecursively(path_); }
  ScopedDeleteFolder(const ScopedDeleteFolder&) = delete;
  ScopedDeleteFolder& operator=(const ScopedDeleteFolder&) = delete;

 private:
  std::wstring path_;
};

}  // namespace base
