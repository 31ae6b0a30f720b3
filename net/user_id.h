#pragma once

#include <cstdint>
#include <string>

namespace net {

// The per-user identifier shared with the browser: a GUID kept in the file
// "Velmar\ui" under the roaming application data folder. The first run that
// finds none creates it and marks that in the registry; a run that finds the
// mark but no file makes no new one.

inline constexpr size_t kUserIdMaxBytes = 64;
inline constexpr wchar_t kUserIdFolderName[] = L"Velmar";
inline constexpr wchar_t kUserIdFileName[] = L"ui";
inline constexpr wchar_t kUidMarkPrefix[] = L"UICreated_";
inline constexpr wchar_t kUidMarkKey[] = L"Software\\Velmar";
inline constexpr wchar_t kUidMarkKeyLowIntegrity[] = L"Software\\AppDataLow\\Velmar";

// The identifier without braces; empty when there is none. Re-reads every time.
std::string GetUserId();
// The identifier as stored (with braces), creating it when allowed; or empty.
std::string GetUserIdInternal();
// Path of the identifier file; with `create`, its folders are made. Empty on failure.
std::wstring GetUserIdFilePath(bool create);
bool ReadUserIdFromFile(const std::wstring& path, std::string* user_id);
std::string GenerateAndStoreUserId();
bool RememberUidIsCreated();
// Whether the value exists under HKEY_CURRENT_USER\key; errors count as absent.
bool RegistryValueExist(const std::wstring& key, const std::wstring& name);
bool IsVistaOrGreater();

// Pure decisions.
enum class UserIdContent { kValid, kTooLongToRead, kIncorrect };
// A file of `file_size` bytes: up to 64 is an identifier, 65 is incorrect
// content, more cannot be read.
UserIdContent CheckUserIdFileSize(uint64_t file_size);
// One leading "{" and one trailing "}" removed when both are there.
std::string StripBraces(const std::string& raw);
// Where the creation mark goes: Vista and later keep it under AppDataLow.
const wchar_t* GetUidMarkKey(bool vista_or_greater);

}  // namespace net
