#include "setup_record.h"

#include <jansson.h>

#include <limits>
#include <memory>

#include "base/strings.h"
#include "config/json_reader.h"

namespace demo_setup {
namespace {

using ScopedJson = config::JsonPtr;

json_t* Utf8String(const std::wstring& text) {
  const std::string utf8 = base::WideToUtf8(text);
  return json_stringn(utf8.data(), utf8.size());
}

json_t* FileEntry(const NamedFile& file) {
  json_t* entry = json_object();
  json_object_set_new(entry, "path", Utf8String(file.path));
  json_object_set_new(entry, "readable", json_boolean(file.readable));
  if (!file.readable) return entry;
  json_object_set_new(entry, "size", json_integer(static_cast<json_int_t>(file.content.size())));
  if (file.content.size() <= kMaxRecordedTextBytes) {
    // json_stringn refuses bytes that are not UTF-8: binary files get no text.
    json_t* text = json_stringn(file.content.data(), file.content.size());
    if (text != nullptr) json_object_set_new(entry, "text", text);
  }
  return entry;
}

// An empty text leaves `milliseconds` as it is.
bool ParseMilliseconds(std::string_view text, uint32_t* milliseconds) {
  if (text.empty()) return true;
  uint64_t value = 0;
  if (!base::ParseUnsignedDecimal(text, &value) || value > std::numeric_limits<uint32_t>::max()) {
    return false;
  }
  *milliseconds = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

bool ParseDemoRequest(std::string_view exit_code_text, std::string_view sleep_ms_text,
                      std::string_view step_ms_text, DemoRequest* request) {
  DemoRequest result;
  if (!exit_code_text.empty()) {
    int64_t code = 0;
    if (!base::ParseInt64(exit_code_text, &code) || code < std::numeric_limits<int32_t>::min() ||
        code > std::numeric_limits<uint32_t>::max()) {
      return false;
    }
    result.exit_code = static_cast<uint32_t>(code);
  }
  if (!ParseMilliseconds(sleep_ms_text, &result.sleep_ms) ||
      !ParseMilliseconds(step_ms_text, &result.step_ms)) {
    return false;
  }
  *request = result;
  return true;
}

std::string BuildSetupRecordJson(const SetupRecord& record, std::string_view version) {
  ScopedJson root(json_object());
  json_object_set_new(root.get(), "version", json_stringn(version.data(), version.size()));
  json_object_set_new(root.get(), "command_line", Utf8String(record.raw_command_line));
  json_object_set_new(root.get(), "program", Utf8String(record.command_line.GetProgram()));
  json_t* switches = json_object();
  for (const auto& [name, value] : record.command_line.GetSwitches()) {
    json_object_set_new(switches, name.c_str(), Utf8String(value));
  }
  json_object_set_new(root.get(), "switches", switches);
  json_t* files = json_object();
  for (const NamedFile& file : record.files) {
    json_object_set_new(files, file.switch_name.c_str(), FileEntry(file));
  }
  json_object_set_new(root.get(), "files", files);
  json_object_set_new(root.get(), "progress_messages_posted",
                      json_integer(record.progress_messages_posted));
  json_object_set_new(root.get(), "exit_code", json_integer(record.exit_code));
  char* text = json_dumps(root.get(), JSON_INDENT(2));
  std::string result = text != nullptr ? text : "";
  free(text);
  return result;
}

std::wstring BuildUninstallCommand(const std::wstring& install_folder) {
  return L"cmd.exe /c rmdir /s /q " + base::QuoteArgument(install_folder) +
         L" & reg delete \"HKCU\\" + kUninstallKey + L"\" /f";
}

}  // namespace demo_setup
