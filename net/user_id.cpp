#include "net/user_id.h"

#include <windows.h>
#include <shlobj.h>

#include "base/guid.h"
#include "base/log.h"
#include "base/scoped_handle.h"
#include "base/strings.h"

namespace net {
namespace {

constexpr DWORD kUserNameChars = 257;  // UNLEN + 1
constexpr DWORD kUidMarkValue = 1;

// The creation mark's value name, or empty when the user name cannot be read.
std::wstring GetUidMarkName() {
  wchar_t user[kUserNameChars] = {};
  DWORD size = kUserNameChars;
  if (!::GetUserNameW(user, &size)) return std::wstring();
  return std::wstring(kUidMarkPrefix) + user;
}

bool UidMarkExists() {
  const std::wstring name = GetUidMarkName();
  if (name.empty()) return false;
  return RegistryValueExist(kUidMarkKey, name) ||
         (IsVistaOrGreater() && RegistryValueExist(kUidMarkKeyLowIntegrity, name));
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.IsValid() &&
         ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

}  // namespace

UserIdContent CheckUserIdFileSize(uint64_t file_size) {
  if (file_size > kUserIdMaxBytes + 1) return UserIdContent::kTooLongToRead;
  if (file_size == 0 || file_size > kUserIdMaxBytes) return UserIdContent::kIncorrect;
  return UserIdContent::kValid;
}

std::string StripBraces(const std::string& raw) {
  if (raw.size() >= 2 && raw.front() == '{' && raw.back() == '}') {
    return raw.substr(1, raw.size() - 2);
  }
  return raw;
}

const wchar_t* GetUidMarkKey(bool vista_or_greater) {
  return vista_or_greater ? kUidMarkKeyLowIntegrity : kUidMarkKey;
}

std::string GetUserId() { return StripBraces(GetUserIdInternal()); }

std::string GetUserIdInternal() {
  const std::wstring path = GetUserIdFilePath(false);
  std::string user_id;
  if (!path.empty() && ReadUserIdFromFile(path, &user_id)) return user_id;
  if (UidMarkExists()) {
    LOG_INFO << "Registry entry already exists, skip User ID file generation";
    return std::string();
  }
  return GenerateAndStoreUserId();
}

std::wstring GetUserIdFilePath(bool create) {
  wchar_t app_data[MAX_PATH] = {};
  const int folder = CSIDL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0);
  if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, app_data))) {
    LOG_ERROR << "Can't get path to AppData folder";
    return std::wstring();
  }
  const std::wstring directory = std::wstring(app_data) + L"\\" + kUserIdFolderName;
  if (create) {
    const int result = ::SHCreateDirectoryExW(nullptr, directory.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS) {
      ::SetLastError(static_cast<DWORD>(result));
      LOG_ERROR << "Can't create directory: " << directory;
      return std::wstring();
    }
  }
  return directory + L"\\" + kUserIdFileName;
}

bool ReadUserIdFromFile(const std::wstring& path, std::string* user_id) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // One byte past the longest readable file tells a long file from a full one.
  char buffer[kUserIdMaxBytes + 2] = {};
  DWORD size = 0;
  bool read = file.IsValid();
  while (read && size < sizeof(buffer)) {
    DWORD chunk = 0;
    read = ::ReadFile(file.Get(), buffer + size, sizeof(buffer) - size, &chunk, nullptr);
    if (chunk == 0) break;
    size += chunk;
  }
  const UserIdContent content = CheckUserIdFileSize(size);
  if (!read || content == UserIdContent::kTooLongToRead) {
    LOG_ERROR << "Failed to read file " << path;
    return false;
  }
  if (content == UserIdContent::kIncorrect) {
    LOG_ERROR << "Incorrect User ID file content";
    return false;
  }
  user_id->assign(buffer, size);
  return true;
}

std::string GenerateAndStoreUserId() {
  const std::string user_id = base::WideToUtf8(base::CreateGuidString());
  if (user_id.empty()) {
    LOG_ERROR << "Can't create a GUID";
    return std::string();
  }
  const std::wstring path = GetUserIdFilePath(true);
  if (path.empty()) return std::string();
  if (!WriteWholeFile(path, user_id)) {
    LOG_ERROR << "Can't write file " << path;
    return std::string();
  }
  if (!RememberUidIsCreated()) {
    LOG_ERROR << "Can't create 'UI created' entry";
    return std::string();
  }
  return user_id;
}

bool RememberUidIsCreated() {
  const std::wstring name = GetUidMarkName();
  if (name.empty()) return false;
  const std::wstring key = GetUidMarkKey(IsVistaOrGreater());
  base::ScopedRegKey handle;
  LONG result = ::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, handle.Receive(), nullptr);
  if (result != ERROR_SUCCESS) {
    handle.Take();
    ::SetLastError(static_cast<DWORD>(result));
    LOG_ERROR << "Can't open registry key: " << key;
    return false;
  }
  result = ::RegSetValueExW(handle.Get(), name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&kUidMarkValue), sizeof(kUidMarkValue));
  if (result != ERROR_SUCCESS) {
    ::SetLastError(static_cast<DWORD>(result));
    LOG_ERROR << "Can't create registry value '" << name << "' at '" << key << "'";
    return false;
  }
  return true;
}

bool RegistryValueExist(const std::wstring& key, const std::wstring& name) {
  base::ScopedRegKey handle;
  const LONG result =
      ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, handle.Receive());
  if (result != ERROR_SUCCESS) {
    handle.Take();
    if (result != ERROR_FILE_NOT_FOUND) {
      ::SetLastError(static_cast<DWORD>(result));
      LOG_ERROR << "Can't open registry key: " << key;
    }
    return false;
  }
  return ::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

bool IsVistaOrGreater() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!::GetVersionExW(&info)) {
    LOG_ERROR << "Can't get Windows version info";
    return false;
  }
  return info.dwMajorVersion >= 6;
}

}  // namespace net
