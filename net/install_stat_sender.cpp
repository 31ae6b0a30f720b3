#include "net/install_stat_sender.h"

#include <windows.h>
#include <shlwapi.h>

#include <array>
#include <mutex>

#include "base/browser_registry.h"
#include "base/log.h"
#include "base/registry.h"
#include "base/strings.h"
#include "endpoints.h"

namespace net {
namespace {

constexpr DWORD kEscapeBufferChars = 2084;  // INTERNET_MAX_URL_LENGTH + 1
constexpr wchar_t kStatPathPrefix[] = L"/installstats/send/dtype=stred/pid=457";

constexpr std::array<const wchar_t*, 6> kInstallerTypeNames = {
    L"lite", L"full", L"updater", L"service", L"service_audit", L"browser_diagnostics"};

std::wstring& StatisticsApiUrl() {
  static std::wstring url = base::Utf8ToWide(endpoints::kStatisticsHost);
  return url;
}

// The separators of the vars text, which the system's escaping leaves alone.
std::wstring EscapeVarsSeparators(const std::wstring& escaped) {
  std::wstring result;
  result.reserve(escaped.size());
  for (wchar_t c : escaped) {
    if (c == L',') {
      result += L"%2C";
    } else if (c == L'=') {
      result += L"%3D";
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace

const StatKindInfo& GetStatKindInfo(StatKind kind) {
  static const std::array<StatKindInfo, 4> kKinds = {{
      {72992, L"extended_stat"},
      {72696, L"vlbrowser_reinstall_dialog"},
      {72696, L"vlbrowser_pf_migration"},
      {72924, L"zombo_window"},
  }};
  return kKinds[static_cast<size_t>(kind)];
}

std::wstring GetInstallerTypeName(int installer_type) {
  if (installer_type < 0 || installer_type >= static_cast<int>(kInstallerTypeNames.size())) {
    return std::wstring();
  }
  return kInstallerTypeNames[static_cast<size_t>(installer_type)];
}

std::wstring GetStatisticsApiUrl() { return StatisticsApiUrl(); }

void SetStatisticsApiUrlForTesting(const std::wstring& url) { StatisticsApiUrl() = url; }

std::wstring FormatInstallStat(const StatValues& values) {
  std::wstring text;
  for (const auto& [key, value] : values) text += key + L"\n" + value + L"\n";
  return text;
}

StatValues ParseInstallStat(const std::wstring& text) {
  StatValues values;
  std::wstring key;
  bool have_key = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (have_key) {
      values[key] = std::move(line);
    } else {
      key = std::move(line);
    }
    have_key = !have_key;
    start = end + 1;
  }
  return values;
}

std::wstring EscapeStatText(const std::wstring& text) {
  // Each UTF-8 byte as one character, so that the system escapes bytes, not
  // UTF-16 units.
  const std::wstring bytes = base::WidenByteByByte(base::WideToUtf8(text));
  wchar_t buffer[kEscapeBufferChars] = {};
  DWORD size = kEscapeBufferChars;
  if (bytes.empty() ||
      FAILED(::UrlEscapeW(bytes.c_str(), buffer, &size, URL_ESCAPE_SEGMENT_ONLY))) {
    return std::wstring();
  }
  return EscapeVarsSeparators(std::wstring(buffer, size));
}

StatValues CompleteStatValues(const StatValues& record, const StatValues& extra, int target,
                              int installer_type) {
  StatValues values = record;
  values.insert(extra.begin(), extra.end());
  if (installer_type != kInstallerTypeNone) {
    if (target != 0) values[L"target"] = base::NumberToWide(target);
    values[L"old_style"] = L"0";
  } else {
    values[L"old_style"] = L"1";
  }
  values.emplace(kStatBrandId, L"unknown");
  return values;
}

std::wstring BuildStatUrl(const std::wstring& api_url, StatKind kind, const StatValues& values) {
  std::wstring vars;
  for (const auto& [key, value] : values) {
    if (!vars.empty()) vars += L',';
    vars += EscapeStatText(key) + L"=" + EscapeStatText(value);
  }
  const StatKindInfo& info = GetStatKindInfo(kind);
  std::wstring url = api_url + kStatPathPrefix + L"/cid=" + base::NumberToWide(info.counter_id) +
                     L"/path=" + info.path_name;
  if (!vars.empty()) url += L"/vars=" + vars;
  return url + L"/*";
}

bool DiscardsInstallStat(int installer_type) {
  return installer_type >= kInstallerTypeLite && installer_type < kInstallerTypeUpdater;
}

InstallStatSender::InstallStatSender(int target, int installer_type,
                                     const std::wstring& persisted_text,
                                     const StatValues& initial_values, StatKind kind,
                                     std::wstring api_url)
    : target_(target),
      installer_type_(installer_type),
      kind_(kind),
      api_url_(std::move(api_url)),
      values_(ParseInstallStat(persisted_text)) {
  for (const auto& [key, value] : initial_values) values_[key] = value;
  values_[kStatInstallerType] = installer_type == kInstallerTypeNone
                                    ? base::NumberToWide(target)
                                    : GetInstallerTypeName(installer_type);
}

InstallStatSender::~InstallStatSender() {
  if (DiscardsInstallStat(installer_type_)) base::RemoveValueFromRegistry(kInstallStatValueName);
}

void InstallStatSender::SetValue(const std::wstring& key, const std::wstring& value) {
  std::lock_guard<base::Lock> hold(values_lock_);
  values_[key] = value;
}

std::wstring InstallStatSender::GetValue(const std::wstring& key) const {
  std::lock_guard<base::Lock> hold(values_lock_);
  const auto found = values_.find(key);
  return found == values_.end() ? std::wstring() : found->second;
}

void InstallStatSender::Send(const StatValues& extra) { queue_.Post(GetQueryUrl(extra)); }

std::wstring InstallStatSender::GetQueryUrl(const StatValues& extra) const {
  StatValues values;
  {
    std::lock_guard<base::Lock> hold(values_lock_);
    values = CompleteStatValues(values_, extra, target_, installer_type_);
  }
  LOG_INFO << "InstallStatSender::Send:";
  for (const auto& [key, value] : values) LOG_INFO << key << "=" << value;
  return BuildStatUrl(api_url_, kind_, values);
}

bool InstallStatSender::Persist() const {
  std::wstring text;
  {
    std::lock_guard<base::Lock> hold(values_lock_);
    text = FormatInstallStat(values_);
  }
  return base::StoreValueInRegistry(kInstallStatValueName, text);
}

StatValues InstallStatSender::Load() {
  std::wstring text;
  if (!base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, kInstallStatValueName,
                                &text)) {
    return StatValues();
  }
  return ParseInstallStat(text);
}

}  // namespace net
