#include "ui/language.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/ui/installer_module.h"

namespace ui {
namespace {

TEST(LanguageTest, SystemLanguageWithoutStringsIsEnglish) {
  EXPECT_EQ(LanguageFromLangId(1034), "en");  // Spanish, traditional sort
  EXPECT_EQ(LanguageFromLangId(3082), "es");
  EXPECT_EQ(LanguageFromLangId(1049), "ru");
  EXPECT_EQ(LanguageFromLangId(2070), "pt-PT");
}

TEST(LanguageTest, NamesAreComparedExactly) {
  EXPECT_EQ(LangIdFromLanguage("pt-BR"), 1046);
  EXPECT_EQ(LangIdFromLanguage("pt"), 1033);
  EXPECT_EQ(LangIdFromLanguage("RU"), 1033);
  EXPECT_EQ(LangIdFromLanguage("uk"), 1058);
  EXPECT_EQ(LangIdFromLanguage(""), 1033);
}

// A string block as the resource compiler lays it out.
std::vector<unsigned char> MakeBlock(const std::vector<std::wstring>& entries) {
  std::vector<unsigned char> block;
  for (const std::wstring& entry : entries) {
    const uint16_t length = static_cast<uint16_t>(entry.size());
    block.push_back(static_cast<unsigned char>(length & 0xFF));
    block.push_back(static_cast<unsigned char>(length >> 8));
    for (wchar_t c : entry) {
      block.push_back(static_cast<unsigned char>(c & 0xFF));
      block.push_back(static_cast<unsigned char>(c >> 8));
    }
  }
  return block;
}

TEST(StringBlockTest, FindsEachEntryByIndex) {
  std::vector<std::wstring> entries(16);
  entries[0] = L"first";
  entries[7] = L"line\nbreak";
  entries[15] = L"\x0411\x0435\x0437\x043e\x043f\x0430\x0441\x043d\x043e\x0441\x0442\x044c";
  const std::vector<unsigned char> block = MakeBlock(entries);
  EXPECT_EQ(StringFromBlock(block.data(), block.size(), 0), L"first");
  EXPECT_EQ(StringFromBlock(block.data(), block.size(), 7), L"line\nbreak");
  EXPECT_EQ(StringFromBlock(block.data(), block.size(), 15), entries[15]);
  EXPECT_EQ(StringFromBlock(block.data(), block.size(), 3), L"");
}

TEST(StringBlockTest, TruncatedOrOutOfRangeGivesEmpty) {
  std::vector<std::wstring> entries(16, L"abc");
  const std::vector<unsigned char> block = MakeBlock(entries);
  EXPECT_EQ(StringFromBlock(block.data(), block.size(), 16), L"");
  // Cut inside the last text, then inside its length field.
  EXPECT_EQ(StringFromBlock(block.data(), block.size() - 1, 15), L"");
  EXPECT_EQ(StringFromBlock(block.data(), block.size() - 7, 15), L"");
  EXPECT_EQ(StringFromBlock(block.data(), block.size() - 7, 14), L"abc");
  EXPECT_EQ(StringFromBlock(nullptr, 0, 0), L"");
  // A length that claims more than the block holds.
  const unsigned char huge[] = {0xFF, 0xFF, 'a', 0};
  EXPECT_EQ(StringFromBlock(huge, sizeof(huge), 0), L"");
}

// The string tables of the built installer, loaded as data.
class InstallerStringsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.IsValid()) << "cannot load lite_installer.exe"; }

  base::ScopedModule module_ = testing_support::LoadInstallerResources();
};

constexpr const char* kLanguageNames[] = {"ru", "uk", "tr",    "de",    "es",    "fr",
                                          "it", "ja", "pt-PT", "pt-BR", "zh-CN", "zh-TW",
                                          "kk", "uz", "cs",    "en"};
constexpr uint32_t kStringIds[] = {401, 402, 403, 404, 406, 410, 411, 412, 414, 415,
                                   417, 418, 420, 421, 422, 423, 424, 425, 426, 427,
                                   428, 429, 431, 432, 434, 435, 437, 438, 439, 440};

TEST_F(InstallerStringsTest, EveryLanguageHasEveryString) {
  for (const char* name : kLanguageNames) {
    const uint16_t lang_id = LangIdFromLanguage(name);
    for (uint32_t id : kStringIds) {
      EXPECT_FALSE(LoadLocalizedString(id, lang_id, module_.Get()).empty())
          << "string " << id << " of " << name;
    }
    EXPECT_EQ(LoadLocalizedString(kStringOldWindowsText, lang_id, module_.Get()), L"")
        << "407 of " << name;
    const std::wstring license = LoadLocalizedString(kStringLicense, lang_id, module_.Get());
    const size_t open = license.find(L"((");
    const size_t close = license.find(L"))");
    EXPECT_TRUE(open != std::wstring::npos && close != std::wstring::npos && open + 2 < close &&
                license.find(L"((", open + 1) == std::wstring::npos)
        << "link markers of 410 in " << name;
  }
}

TEST_F(InstallerStringsTest, TextsKeepTheirCharactersAndLineBreaks) {
  EXPECT_EQ(LoadLocalizedString(kStringInstall, 1033, module_.Get()), L"Install");
  EXPECT_EQ(LoadLocalizedString(kStringNewerVersionTitle, 1033, module_.Get()),
            L"You already have a newer version\nof the browser installed on your computer");
  EXPECT_EQ(LoadLocalizedString(kStringOldComponentText, 1033, module_.Get()).substr(0, 48),
            L"The old version of the program \"CryptoPro \nRevoc");
  EXPECT_EQ(LoadLocalizedString(kStringFirstSlideHeading, 1049, module_.Get()),
            L"\x0411\x0435\x0437\x043e\x043f\x0430\x0441\x043d\x043e\x0441\x0442\x044c");
  EXPECT_EQ(LoadLocalizedString(kStringFirstSlideHeading, 1041, module_.Get()),
            L"\x30bb\x30ad\x30e5\x30ea\x30c6\x30a3");
  EXPECT_EQ(LoadLocalizedString(kStringMakeDefault, 1033, module_.Get()),
            L"&Set as default browser");
}

TEST_F(InstallerStringsTest, LanguageWithoutTableGivesEmptyStrings) {
  EXPECT_EQ(LoadLocalizedString(kStringInstall, 1034, module_.Get()), L"");
  EXPECT_EQ(LoadLocalizedString(9999, 1033, module_.Get()), L"");
}

}  // namespace
}  // namespace ui
