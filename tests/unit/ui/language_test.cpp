#include "ui/language.h"

#include <gtest/gtest.h>

#include <string>

#include "config/languages.h"
#include "unit/ui/installer_module.h"

namespace ui {
namespace {

TEST(StringBlockTest, FindsEntriesByIndexAndNothingInACutBlock) {
  // Sixteen texts, each after its length, as the resource compiler lays them
  // out: "abc", "", "line\nbreak" (octal 12 is ten), twelve empty ones and "xyz".
  const std::wstring block =
      std::wstring(L"\3abc\0\12line\nbreak", 16) + std::wstring(12, L'\0') + L"\3xyz";
  const size_t size = block.size() * sizeof(wchar_t);
  const struct {
    size_t size;
    uint32_t index;
    const wchar_t* expected;
  } cases[] = {
      {size, 0, L"abc"},
      {size, 1, L""},
      {size, 2, L"line\nbreak"},
      {size, 16, L""},               // past the sixteen entries
      {size - 1, 15, L""},           // cut inside the last text
      {size - 7, 15, L""},           // cut inside its length field
      {size - 7, 2, L"line\nbreak"}  // the entries before the cut stay
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size << " index " << c.index);
    EXPECT_EQ(StringFromBlock(block.data(), c.size, c.index), c.expected);
  }
  EXPECT_EQ(StringFromBlock(nullptr, 0, 0), L"");
  const unsigned char huge[] = {0xFF, 0xFF, 'a', 0};  // a length past the block's end
  EXPECT_EQ(StringFromBlock(huge, sizeof(huge), 0), L"");
}

// The string tables of the built installer, loaded as data.
class InstallerStringsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.IsValid()) << "cannot load lite_installer.exe"; }

  base::ScopedModule module_ = testing_support::LoadInstallerResources();
};

TEST_F(InstallerStringsTest, EveryLanguageHasEveryString) {
  const char* languages[] = {"ru",    "uk",    "tr",    "de",    "es", "fr", "it", "ja",
                             "pt-PT", "pt-BR", "zh-CN", "zh-TW", "kk", "uz", "cs", "en"};
  const uint32_t ids[] = {401, 402, 403, 404, 406, 410, 411, 412, 414, 415,
                          417, 418, 420, 421, 422, 423, 424, 425, 426, 427,
                          428, 429, 431, 432, 434, 435, 437, 438, 439, 440};
  for (const char* name : languages) {
    SCOPED_TRACE(name);
    const uint16_t lang_id = config::LangIdFromLanguage(name);
    EXPECT_EQ(config::LanguageFromLangId(lang_id), name);
    for (uint32_t id : ids) {
      EXPECT_FALSE(LoadLocalizedString(id, lang_id, module_.Get()).empty()) << "string " << id;
    }
    EXPECT_EQ(LoadLocalizedString(kStringOldWindowsText, lang_id, module_.Get()), L"");
    // The default-browser check box has one accelerator: "&" before a character.
    const std::wstring make_default =
        LoadLocalizedString(kStringMakeDefault, lang_id, module_.Get());
    const size_t mark = make_default.find(L'&');
    EXPECT_TRUE(mark != std::wstring::npos && mark + 1 < make_default.size() &&
                make_default[mark + 1] != L' ' && make_default[mark + 1] != L'&' &&
                make_default.find(L'&', mark + 1) == std::wstring::npos)
        << "accelerator of 438";
    // The licence sentence holds exactly one ((link)).
    const std::wstring license = LoadLocalizedString(kStringLicense, lang_id, module_.Get());
    const size_t open = license.find(L"((");
    const size_t close = license.find(L"))");
    EXPECT_TRUE(open != std::wstring::npos && close != std::wstring::npos && open + 2 < close &&
                license.find(L"((", open + 1) == std::wstring::npos)
        << "link markers of 410";
  }
}

TEST_F(InstallerStringsTest, TextsKeepTheirCharactersAndLineBreaks) {
  const struct {
    uint32_t id;
    uint16_t lang_id;
    const wchar_t* expected;
  } cases[] = {
      {kStringNewerVersionTitle, 1033,
       L"You already have a newer version\nof the browser installed on your computer"},
      {kStringMakeDefault, 1033, L"&Set as default browser"},
      {kStringFirstSlideHeading, 1049,
       L"\x0411\x0435\x0437\x043e\x043f\x0430\x0441\x043d\x043e\x0441\x0442\x044c"},
      {kStringFirstSlideHeading, 1041, L"\x30bb\x30ad\x30e5\x30ea\x30c6\x30a3"},
      {kStringInstall, 1034, L""},  // a language without a table
      {9999, 1033, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " in " << c.lang_id);
    EXPECT_EQ(LoadLocalizedString(c.id, c.lang_id, module_.Get()), c.expected);
  }
}

}  // namespace
}  // namespace ui
