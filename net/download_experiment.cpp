#include "net/download_experiment.h"

#include <windows.h>
#include <ntsecapi.h>

#include "base/command_line.h"
#include "base/log.h"
#include "base/os_version.h"
#include "base/registry.h"
#include "base/strings.h"
#include "config/distribution_params.h"

namespace net {

ExperimentState ParseExperimentState(const std::string& text) {
  if (text == "0") return ExperimentState::kKeep32;
  if (text == "1") return ExperimentState::kKeep64;
  if (text == "2") return ExperimentState::kDisabled;
  return ExperimentState::kAbsent;
}

ExperimentState StateAfterDownload(uint32_t choice, bool succeeded_on_first_url) {
  if (!succeeded_on_first_url) return ExperimentState::kDisabled;
  return choice == kArchitecture64 ? ExperimentState::kKeep64 : ExperimentState::kKeep32;
}

std::string ExperimentStateText(ExperimentState state) {
  switch (state) {
    case ExperimentState::kKeep32:
      return "0";
    case ExperimentState::kKeep64:
      return "1";
    case ExperimentState::kDisabled:
      return "2";
    case ExperimentState::kAbsent:
      break;
  }
  return std::string();
}

DownloadExperiment::DownloadExperiment() : registry_key_(base::kBrowserRegistryKey) {}

bool DownloadExperiment::IsProgramFilesInstallation() const {
  return base::CommandLine::ForCurrentProcess().HasSwitch("program-files-installation");
}

bool DownloadExperiment::IsWindows64() const {
  const base::OsInfo& os = base::GetOsInfo();
  return os.architecture == base::ProcessorArchitecture::kX64 ||
         os.architecture == base::ProcessorArchitecture::kIa64;
}

bool DownloadExperiment::IsExperimentEnabled(const config::DistributionParams& params) const {
  std::string value;
  return params.Get(kExperimentName, &value) && value == "1";
}

bool DownloadExperiment::GetRamThreshold(const config::DistributionParams& params,
                                         uint64_t* bytes) const {
  std::string value;
  return params.Get("x64_ram", &value) && base::ParseUnsignedDecimal(value, bytes);
}

bool DownloadExperiment::GetInstalledMemory(uint64_t* bytes) const {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (!::GlobalMemoryStatusEx(&status)) {
    LOG_ERROR << "GlobalMemoryStatusEx failed";
    return false;
  }
  *bytes = status.ullTotalPhys;
  return true;
}

bool DownloadExperiment::CoinToss() const {
  // The system's random source; the C++ one would link the library's string
  // and exception code for a single bit.
  unsigned char byte = 0;
  if (!::RtlGenRandom(&byte, sizeof(byte))) LOG_ERROR << "RtlGenRandom failed";
  return (byte & 1) != 0;
}

bool DownloadExperiment::ReadState(std::string* state) const {
  std::wstring value;
  if (!base::ReadRegistryString(HKEY_CURRENT_USER, registry_key_, kExperimentValueName, &value)) {
    return false;
  }
  *state = base::WideToUtf8(value);
  return true;
}

bool DownloadExperiment::WriteState(const std::string& state) const {
  return base::WriteRegistryString(HKEY_CURRENT_USER, registry_key_, kExperimentValueName,
                                   base::Utf8ToWide(state));
}

void DownloadExperiment::ChooseArchitecture(const base::CommandLine& command_line,
                                            const config::DistributionParams* params) {
  if (command_line.HasSwitch("download-x64")) {
    architecture_ = kArchitecture64;
  } else if (command_line.HasSwitch("download-x32")) {
    architecture_ = kArchitecture32;
  } else if (params != nullptr) {
    AdjustDownloadUrl(*params);
  }
}

void DownloadExperiment::AdjustDownloadUrl(const config::DistributionParams& params) {
  architecture_ = kArchitectureNone;
  if (IsProgramFilesInstallation() || !IsWindows64()) return;
  std::string text;
  const ExperimentState state =
      ReadState(&text) ? ParseExperimentState(text) : ExperimentState::kAbsent;
  switch (state) {
    case ExperimentState::kKeep32:
      architecture_ = kArchitecture32;
      return;
    case ExperimentState::kKeep64:
      architecture_ = kArchitecture64;
      return;
    case ExperimentState::kDisabled:
      LOG_INFO << "Experiment" << kExperimentName << " is disabled";
      return;
    case ExperimentState::kAbsent:
      break;
  }
  uint64_t threshold = 0;
  if (!IsExperimentEnabled(params) || !GetRamThreshold(params, &threshold)) return;
  uint64_t memory = 0;
  if (GetInstalledMemory(&memory) && memory >= threshold) {
    architecture_ = CoinToss() ? kArchitecture64 : kArchitecture32;
    return;
  }
  LOG_INFO << "Not enough memory for" << kExperimentName << " needed:" << threshold
           << ", available:" << memory;
}

void DownloadExperiment::ConfigurateRegistry(bool succeeded_on_first_url) {
  if (architecture_ == kArchitectureNone) return;
  const ExperimentState state = StateAfterDownload(architecture_, succeeded_on_first_url);
  if (!WriteState(ExperimentStateText(state))) {
    LOG_ERROR << "Failed to write state to regitsry: " << ExperimentStateText(state);
  }
}

}  // namespace net
