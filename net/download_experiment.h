#pragma once

#include <cstdint>
#include <string>

namespace base {
class CommandLine;
}  // namespace base
namespace config {
class DistributionParams;
}  // namespace config

namespace net {

// Which setup archive architecture to try first.
enum ArchitectureChoice : uint32_t {
  kArchitectureNone = 0,
  kArchitecture64 = 1,
  kArchitecture32 = 2
};

// The experiment's registry value under the browser's key, and its states.
inline constexpr wchar_t kExperimentValueName[] = L"try_x64";
// The experiment's name as the distribution parameters and the log give it.
inline constexpr char kExperimentName[] = "try_x64";
enum class ExperimentState { kAbsent, kKeep32, kKeep64, kDisabled };

// "1", "0" and "2"; anything else counts as absent.
ExperimentState ParseExperimentState(const std::string& text);
// The state to store after a download with `choice` (not kArchitectureNone).
ExperimentState StateAfterDownload(uint32_t choice, bool succeeded_on_first_url);
std::string ExperimentStateText(ExperimentState state);

// The client-side experiment that may offer a 64-bit or 32-bit archive first.
// Every input is a virtual operation so a test replaces exactly one of them.
class DownloadExperiment {
 public:
  DownloadExperiment();
  virtual ~DownloadExperiment() = default;

  virtual bool IsProgramFilesInstallation() const;
  virtual bool IsWindows64() const;
  virtual bool IsExperimentEnabled(const config::DistributionParams& params) const;
  virtual bool GetRamThreshold(const config::DistributionParams& params, uint64_t* bytes) const;
  virtual bool GetInstalledMemory(uint64_t* bytes) const;
  virtual bool CoinToss() const;
  virtual bool ReadState(std::string* state) const;
  virtual bool WriteState(const std::string& state) const;

  // The switches "download-x64" and "download-x32" decide first; without them
  // and with distribution parameters, the experiment does.
  void ChooseArchitecture(const base::CommandLine& command_line,
                          const config::DistributionParams* params);
  void AdjustDownloadUrl(const config::DistributionParams& params);
  // Records the outcome of the download that used the choice.
  void ConfigurateRegistry(bool succeeded_on_first_url);

  uint32_t architecture() const { return architecture_; }

 private:
  uint32_t architecture_ = kArchitectureNone;
  std::wstring registry_key_;
};

}  // namespace net
