#include "config/languages.h"

#include <gtest/gtest.h>

namespace config {
namespace {

TEST(LanguagesTest, LanguagesWithoutStringsFallBackToEnglish) {
  EXPECT_EQ(LanguageFromLangId(1034), "en");  // Spanish, traditional sort
  EXPECT_EQ(LanguageFromLangId(3082), "es");
  EXPECT_EQ(LanguageFromLangId(1049), "ru");
  EXPECT_EQ(LangIdFromLanguage("pt-BR"), 1046);
  // Names are compared exactly.
  EXPECT_EQ(LangIdFromLanguage("pt"), 1033);
  EXPECT_EQ(LangIdFromLanguage("RU"), 1033);
  EXPECT_EQ(LangIdFromLanguage(""), 1033);
}

}  // namespace
}  // namespace config
