#pragma once

#include <map>
#include <string>

#include "installer/distribution_params_parser.h"

namespace installer {

// The distribution parameters of this copy of the installer.
class DistributionParams {
 public:
  virtual ~DistributionParams() = default;
  virtual bool Get(const std::string& key, std::string* value) const;
  // Whether the stored registry text is read before the switch and the tag.
  virtual bool ReadStoredTextFirst() const { return false; }
  virtual void StoreText(const std::string& text);
  virtual std::wstring OwnExecutablePath() const;

  // Fills the parameters from the switch, the tag or the stored text, and writes
  // them as JSON for the setup; true when an info file path is set afterwards.
  bool CreateJsonFromDistribParams();

  bool Has(const std::string& key) const { return params_.count(key) != 0; }
  // "1" is true.
  bool GetBool(const std::string& key) const;
  const std::map<std::string, std::string>& params() const { return params_; }
  const std::wstring& info_file_path() const { return info_file_path_; }
  void SetParamsForTesting(std::map<std::string, std::string> params) {
    params_ = std::move(params);
  }

 private:
  std::map<std::string, std::string> params_;
  std::wstring info_file_path_;
};

}  // namespace installer
