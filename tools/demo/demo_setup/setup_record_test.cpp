#include "setup_record.h"

#include <gtest/gtest.h>
#include <jansson.h>

#include <memory>
#include <string>

namespace demo_setup {
namespace {

struct JsonDeleter {
  void operator()(json_t* json) const { json_decref(json); }
};
using ScopedJson = std::unique_ptr<json_t, JsonDeleter>;

ScopedJson Parse(const std::string& text) {
  json_error_t error;
  ScopedJson json(json_loads(text.c_str(), 0, &error));
  EXPECT_NE(json, nullptr) << error.text << " in " << text;
  return json;
}

std::string StringAt(json_t* object, const char* path1, const char* path2 = nullptr) {
  json_t* value = json_object_get(object, path1);
  if (path2 != nullptr) value = json_object_get(value, path2);
  return json_is_string(value) ? json_string_value(value) : "<missing>";
}

TEST(ParseDemoRequestTest, EmptyTextsAskForExitCodeZeroWithoutPauses) {
  DemoRequest request{7, 7, 7};
  ASSERT_TRUE(ParseDemoRequest("", "", "", &request));
  EXPECT_EQ(request.exit_code, 0u);
  EXPECT_EQ(request.sleep_ms, 0u);
  EXPECT_EQ(request.step_ms, 0u);
}

TEST(ParseDemoRequestTest, AcceptsNegativeAndFull32BitExitCodes) {
  DemoRequest request;
  ASSERT_TRUE(ParseDemoRequest("-1", "250", "1500", &request));
  EXPECT_EQ(request.exit_code, 0xFFFFFFFFu);
  EXPECT_EQ(request.sleep_ms, 250u);
  EXPECT_EQ(request.step_ms, 1500u);
  ASSERT_TRUE(ParseDemoRequest("3221225477", "", "", &request));
  EXPECT_EQ(request.exit_code, 0xC0000005u);
}

TEST(ParseDemoRequestTest, RefusesGarbageAndValuesBeyond32BitsAndKeepsTheOldRequest) {
  struct Texts {
    const char* exit_code;
    const char* sleep_ms;
    const char* step_ms;
  };
  for (const Texts& texts :
       {Texts{"abc", "", ""}, Texts{"4294967296", "", ""}, Texts{"-2147483649", "", ""},
        Texts{"1 ", "", ""}, Texts{"0", "-5", ""}, Texts{"0", "4294967296", ""},
        Texts{"0", "", "-1"}, Texts{"0", "", "4294967296"}, Texts{"0", "", "1s"}}) {
    DemoRequest request{42, 43, 44};
    EXPECT_FALSE(ParseDemoRequest(texts.exit_code, texts.sleep_ms, texts.step_ms, &request))
        << "accepted exit code \"" << texts.exit_code << "\", sleep \"" << texts.sleep_ms
        << "\", step \"" << texts.step_ms << "\"";
    EXPECT_EQ(request.exit_code, 42u);
    EXPECT_EQ(request.step_ms, 44u);
  }
}

TEST(BuildSetupRecordJsonTest, RecordsSwitchesByNameWithTheirValues) {
  SetupRecord record;
  record.raw_command_line = L"setup.exe --Brand-Name=velmar --silent";
  record.command_line = base::CommandLine::FromString(
      L"C:\\dl\\setup.exe --Brand-Name=velmar /SILENT --progress-window=0 --path=\"C:\\a b\\\\\"");
  record.exit_code = 0xFFFFFFFFu;
  ScopedJson json = Parse(BuildSetupRecordJson(record, "1.2.3.4"));
  EXPECT_EQ(StringAt(json.get(), "version"), "1.2.3.4");
  EXPECT_EQ(StringAt(json.get(), "command_line"), "setup.exe --Brand-Name=velmar --silent");
  EXPECT_EQ(StringAt(json.get(), "program"), "C:\\dl\\setup.exe");
  EXPECT_EQ(json_object_size(json_object_get(json.get(), "switches")), 4u);
  EXPECT_EQ(StringAt(json.get(), "switches", "brand-name"), "velmar");
  EXPECT_EQ(StringAt(json.get(), "switches", "silent"), "");
  EXPECT_EQ(StringAt(json.get(), "switches", "path"), "C:\\a b\\");
  EXPECT_EQ(json_integer_value(json_object_get(json.get(), "exit_code")), 0xFFFFFFFFll);
}

TEST(BuildSetupRecordJsonTest, KeepsTextOfUtf8FilesOnlyAndMarksUnreadableOnes) {
  SetupRecord record;
  record.files = {{"installerdata", L"C:\\t\\data.json", true, "{\"a\": \"\xC3\xA9\"}"},
                  {"brand-package", L"C:\\t\\brand.cab", true, std::string("MSCF\0\xFF\xFE", 7)},
                  {"clids-file", L"C:\\t\\missing.xml", false, ""}};
  ScopedJson json = Parse(BuildSetupRecordJson(record, "1.0.0.0"));
  json_t* files = json_object_get(json.get(), "files");
  EXPECT_EQ(StringAt(files, "installerdata", "text"), "{\"a\": \"\xC3\xA9\"}");
  json_t* package = json_object_get(files, "brand-package");
  EXPECT_EQ(json_integer_value(json_object_get(package, "size")), 7);
  EXPECT_EQ(json_object_get(package, "text"), nullptr);
  json_t* missing = json_object_get(files, "clids-file");
  EXPECT_TRUE(json_is_false(json_object_get(missing, "readable")));
  EXPECT_EQ(StringAt(missing, "path"), "C:\\t\\missing.xml");
}

TEST(BuildSetupRecordJsonTest, LeavesOutTheTextOfFilesOverTheLimit) {
  SetupRecord record;
  record.files = {{"installerdata", L"C:\\big", true, std::string(kMaxRecordedTextBytes + 1, 'a')}};
  ScopedJson json = Parse(BuildSetupRecordJson(record, "1.0.0.0"));
  json_t* entry = json_object_get(json_object_get(json.get(), "files"), "installerdata");
  EXPECT_EQ(json_object_get(entry, "text"), nullptr);
  EXPECT_EQ(json_integer_value(json_object_get(entry, "size")),
            static_cast<json_int_t>(kMaxRecordedTextBytes + 1));
}

TEST(BuildUninstallCommandTest, QuotesTheFolderAndNamesTheUninstallKey) {
  EXPECT_EQ(BuildUninstallCommand(L"C:\\Users\\A B\\Velmar\\Browser"),
            L"cmd.exe /c rmdir /s /q \"C:\\Users\\A B\\Velmar\\Browser\" & reg delete "
            L"\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmarBrowser\" /f");
}

}  // namespace
}  // namespace demo_setup
