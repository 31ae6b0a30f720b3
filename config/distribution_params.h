#pragma once

#include <map>
#include <string>

#include "config/distribution_params_parser.h"

namespace config {}  // namespace config
namespace base {
class CommandLine;
}  // namespace base
namespace config {

// The registry value under the browser's key that keeps the parameter text for
// the later processes of an installation.
inline constexpr wchar_t kDistribInfoParamsValue[] = L"DistribInfoParams";
// The JSON file of the parameters in the temporary folder, for the setup.
inline constexpr wchar_t kDistribInfoFileName[] = L"distrib_info";

// The distribution parameters of this copy of the installer.
class DistributionParams {
 public:
  virtual ~DistributionParams() = default;
  virtual bool Get(const std::string& key, std::string* value) const;
  // Whether the stored registry text is read before the switch and the tag.
  virtual bool ReadStoredTextFirst() const { return false; }
  virtual void StoreText(const std::string& text);
  virtual std::wstring OwnExecutablePath() const;

  // Fills the parameters from the "distr-info-params" switch of this process,
  // else from the tag, and writes them as JSON for the setup; true when an
  // info file path is set afterwards.
  bool CreateJsonFromDistribParams();
  // The same with the switches of `command_line`.
  bool CreateJsonFromDistribParams(const base::CommandLine& command_line);

  bool Has(const std::string& key) const { return params_.count(key) != 0; }
  // "1" is true.
  bool GetBool(const std::string& key) const;
  const std::map<std::string, std::string>& params() const { return params_; }
  const std::wstring& info_file_path() const { return info_file_path_; }
  void SetParamsForTesting(std::map<std::string, std::string> params) {
    params_ = std::move(params);
  }

 private:
  // The tag text of this executable: from the dummy certificate, else from the
  // tag record after the first certificate.
  std::string ReadTag() const;
  void WriteInfoFile();

  std::map<std::string, std::string> params_;
  std::wstring info_file_path_;
};

// The tag record of the executable at `path`, read through a read-only
// mapping; empty when there is none.
std::string ReadTagRecordFromMappedFile(const std::wstring& path);

}  // namespace config
