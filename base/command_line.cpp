#include "base/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "base/scoped_handle.h"
#include "base/strings.h"

namespace base {
namespace {

constexpr std::string_view kSwitchPrefixes[] = {"--", "-", "/"};
constexpr std::wstring_view kWideSwitchPrefixes[] = {L"--", L"-", L"/"};

std::string StripPrefix(std::string_view name) {
  for (std::string_view prefix : kSwitchPrefixes) {
    if (name.substr(0, prefix.size()) == prefix) return std::string(name.substr(prefix.size()));
  }
  return std::string(name);
}

bool IsSwitch(const std::wstring& argument) {
  for (std::wstring_view prefix : kWideSwitchPrefixes) {
    if (argument.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

}  // namespace

CommandLine CommandLine::FromString(const std::wstring& text) {
  CommandLine result;
  const std::wstring trimmed = base::TrimWhitespace(text);
  if (!trimmed.empty()) {
    int count = 0;
    base::ScopedLocalMemory memory(
        reinterpret_cast<HLOCAL>(::CommandLineToArgvW(trimmed.c_str(), &count)));
    wchar_t** arguments = static_cast<wchar_t**>(memory.Get());
    for (int i = 0; arguments != nullptr && i < count; ++i) {
      const std::wstring argument = base::TrimWhitespace(arguments[i]);
      if (i == 0) {
        result.program_ = argument;
        continue;
      }
      if (!IsSwitch(argument)) continue;
      const size_t equals = argument.find(L'=');
      const std::wstring name = argument.substr(0, equals);
      const std::wstring value =
          equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1);
      result.AppendSwitch(base::NarrowByTruncation(name), value);
    }
  }
  if (result.HasSwitch("semi-silent")) {
    result.AppendSwitch("silent");
    result.AppendSwitch("uac-enabled");
  }
  return result;
}

const CommandLine& CommandLine::ForCurrentProcess() {
  static const CommandLine command_line = FromString(::GetCommandLineW());
  return command_line;
}

bool CommandLine::HasSwitch(std::string_view name) const {
  return switches_.count(base::ToLowerAscii(name)) != 0;
}

std::wstring CommandLine::GetSwitchValue(std::string_view name) const {
  const auto it = switches_.find(base::ToLowerAscii(name));
  return it == switches_.end() ? std::wstring() : it->second;
}

std::string CommandLine::GetSwitchValueASCII(std::string_view name) const {
  return base::NarrowByTruncation(GetSwitchValue(name));
}

void CommandLine::AppendSwitch(std::string_view name, const std::wstring& value) {
  switches_[base::ToLowerAscii(StripPrefix(name))] = value;
}

void CommandLine::AppendSwitchASCII(std::string_view name, std::string_view value) {
  AppendSwitch(name, base::WidenByteByByte(value));
}

void CommandLine::SetOrRemoveSwitch(bool present, std::string_view name) {
  if (present) {
    AppendSwitch(name);
  } else {
    RemoveSwitch(name);
  }
}

void CommandLine::RemoveSwitch(std::string_view name) { switches_.erase(base::ToLowerAscii(name)); }

void CommandLine::SetProgram(const std::wstring& program) {
  program_ = base::TrimWhitespace(program);
}

std::wstring CommandLine::GetCommandLineString() const {
  std::wstring text = program_.empty() ? std::wstring() : QuoteArgument(program_);
  for (const auto& [name, value] : switches_) {
    text += L" --" + base::WidenByteByByte(name);
    if (!value.empty()) text += L"=" + QuoteArgument(value);
  }
  return text;
}

std::wstring QuoteArgument(const std::wstring& argument) {
  // Blanks are spaces and tabs: both split arguments.
  if (argument.find_first_of(L" \t\\\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote itself escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

}  // namespace base
