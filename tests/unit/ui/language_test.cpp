#include "ui/language.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ui
