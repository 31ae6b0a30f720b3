#pragma once

#include <map>
#include <string>
#include <string_view>

namespace base {

// A parsed command line: the program part and switches by lower-case name.
// The map is ordered, so a built command line lists switches by name.
class CommandLine {
 public:
  using SwitchMap = std::map<std::string, std::wstring>;

  CommandLine() = default;
  // Parses with the platform's argument splitting, then expands "semi-silent".
  static CommandLine FromString(const std::wstring& text);
  // The process's own command line, parsed once on first use.
  static const CommandLine& ForCurrentProcess();

  bool HasSwitch(std::string_view name) const;
  std::wstring GetSwitchValue(std::string_view name) const;
  std::string GetSwitchValueASCII(std::string_view name) const;
  void AppendSwitch(std::string_view name, const std::wstring& value = std::wstring());
  void AppendSwitchASCII(std::string_view name, std::string_view value);
  // true: append as a flag; false: remove.
  void SetOrRemoveSwitch(bool present, std::string_view name);
  void RemoveSwitch(std::string_view name);

  const std::wstring& GetProgram() const { return program_; }
  void SetProgram(const std::wstring& program);
  const SwitchMap& GetSwitches() const { return switches_; }

  std::wstring GetCommandLineString() const;

 private:
  std::wstring program_;
  SwitchMap switches_;
};

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

}  // namespace base
