#pragma once

#include <map>
#include <string>

#include "base/lock.h"
#include "net/stat_request_queue.h"

namespace net {

// One report's named values; keys and values are UTF-16 until they are escaped.
using StatValues = std::map<std::wstring, std::wstring>;

// Keys of the values the installer keeps in its statistics record.
inline constexpr wchar_t kStatLaunched[] = L"launched";
inline constexpr wchar_t kStatBrandId[] = L"brand_id";
inline constexpr wchar_t kStatPartnerId[] = L"partner_id";
inline constexpr wchar_t kStatNewVersion[] = L"new_ver";
inline constexpr wchar_t kStatOldVersion[] = L"old_ver";
inline constexpr wchar_t kStatInstallType[] = L"install_type";
inline constexpr wchar_t kStatInstallerType[] = L"installer_type";
inline constexpr wchar_t kStatBannerId[] = L"banner_id";
inline constexpr wchar_t kStatDistrUserId[] = L"distr_velmar_uid";
inline constexpr wchar_t kStatPortalUserId[] = L"velmar_uid";
// The per-user identifier shared with the browser (net/user_id.h).
inline constexpr wchar_t kStatUserId[] = L"uid";
inline constexpr wchar_t kStatLiteVersion[] = L"lite_ver";
inline constexpr wchar_t kStatMirra[] = L"mirra";

// The registry value (under the browser's key) that carries the record's values
// to the installer's later processes.
inline constexpr wchar_t kInstallStatValueName[] = L"install_stat";

// Installer type indexes; names come from GetInstallerTypeName.
inline constexpr int kInstallerTypeNone = -1;
inline constexpr int kInstallerTypeLite = 0;
inline constexpr int kInstallerTypeFull = 1;
inline constexpr int kInstallerTypeUpdater = 2;

// The kind of a report selects the counter id and the path name of its URL.
enum class StatKind : int {
  kExtendedStat = 0,
  kReinstallDialog = 1,
  kPfMigration = 2,
  kZomboWindow = 3,
};

struct StatKindInfo {
  int counter_id;
  const wchar_t* path_name;
};
const StatKindInfo& GetStatKindInfo(StatKind kind);

// "lite", "full", "updater", "service", "service_audit", "browser_diagnostics";
// empty for an index outside the table.
std::wstring GetInstallerTypeName(int installer_type);

// The statistics API address from the build settings, or what a test program set
// before its first report. No trailing slash.
std::wstring GetStatisticsApiUrl();
void SetStatisticsApiUrlForTesting(const std::wstring& url);

// The "install_stat" text: key line, value line, ..., each ended by "\n", in key
// order. Parsing pairs the lines in order and drops an odd last line.
std::wstring FormatInstallStat(const StatValues& values);
StatValues ParseInstallStat(const std::wstring& text);

// UTF-8, then URL-escaped as one path segment, with "," and "=" escaped as well so
// that the vars text splits unambiguously. Empty when escaping fails.
std::wstring EscapeStatText(const std::wstring& text);

// The record's values merged with one report's extras (the record wins) and the
// mandatory keys: "old_style", "target" for a non-zero target, "brand_id".
StatValues CompleteStatValues(const StatValues& record, const StatValues& extra, int target,
                              int installer_type);

// api_url + "/installstats/send/dtype=stred/pid=457/cid=<id>/path=<name>"
// [+ "/vars=k=v,k=v"] + "/*".
std::wstring BuildStatUrl(const std::wstring& api_url, StatKind kind, const StatValues& values);

// The installer's statistics record and its request queue.
class InstallStatSender {
 public:
  InstallStatSender(int target, int installer_type, const std::wstring& persisted_text,
                    const StatValues& initial_values, StatKind kind,
                    std::wstring api_url = GetStatisticsApiUrl());
  // Removes "install_stat" for the "lite" and "full" installers, then sends what
  // the request thread has already taken and stops it.
  ~InstallStatSender();
  InstallStatSender(const InstallStatSender&) = delete;
  InstallStatSender& operator=(const InstallStatSender&) = delete;

  // Any thread may set values and send reports.
  void SetValue(const std::wstring& key, const std::wstring& value);
  // Empty when the key is not set.
  std::wstring GetValue(const std::wstring& key) const;

  // Queues one report of the record's values and these extras.
  void Send(const StatValues& extra);
  // The report's URL; logs every value it carries.
  std::wstring GetQueryUrl(const StatValues& extra) const;

  // Writes the record's values to "install_stat".
  bool Persist() const;
  // Reads "install_stat" back; empty when it is missing.
  static StatValues Load();

 private:
  const int target_;
  const int installer_type_;
  const StatKind kind_;
  const std::wstring api_url_;
  mutable base::Lock values_lock_;  // guards values_
  StatValues values_;
  StatRequestQueue queue_;
};

// Whether destroying a record of this installer type removes "install_stat".
bool DiscardsInstallStat(int installer_type);

}  // namespace net
