#include "ui/licence_text.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr wchar_t kEnglish[] =
    L"By using Velmar Browser, you agree to the Terms and Conditions of the ((License "
    L"Agreement)).";

// Every character 10 pixels wide, blanks included.
std::vector<MeasuredWord> Measure(const std::vector<Word>& words) {
  std::vector<MeasuredWord> measured;
  for (const Word& word : words) {
    const size_t blanks = word.text.size() - word.text.find_last_not_of(L' ') - 1;
    measured.push_back({static_cast<int>(word.text.size()) * 10,
                        static_cast<int>(word.line_feed ? 0 : blanks) * 10, word.line_feed,
                        NeverStartsLine(word.text)});
  }
  return measured;
}

std::vector<std::wstring> Lines(const std::wstring& sentence, int width) {
  const std::vector<Word> words = SplitWords(SplitLicenceRuns(sentence));
  std::vector<std::wstring> lines;
  for (const PlacedWord& placed : LayoutWords(Measure(words), width)) {
    if (placed.line >= static_cast<int>(lines.size())) lines.resize(placed.line + 1);
    lines[placed.line] += words[placed.word].text;
  }
  return lines;
}

TEST(LicenceTextTest, LinkBetweenDoubleParenthesesIsItsOwnRunUnlessUnclosed) {
  const std::vector<TextRun> runs = SplitLicenceRuns(kEnglish);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_FALSE(runs[0].link);
  EXPECT_EQ(runs[1].text, L"License Agreement");
  EXPECT_TRUE(runs[1].link);
  EXPECT_EQ(runs[2].text, L".");

  const std::vector<TextRun> unclosed = SplitLicenceRuns(L"Read the ((licence");
  ASSERT_EQ(unclosed.size(), 1u);
  EXPECT_EQ(unclosed[0].text, L"Read the ((licence");
  EXPECT_FALSE(unclosed[0].link);
}

TEST(LicenceTextTest, LinesBreakAtBlanksLineFeedsAndOverlongWords) {
  using LineList = std::vector<std::wstring>;
  // "Agreement" ends exactly at the edge: the "." stays on its line.
  EXPECT_EQ(Lines(kEnglish, 90).back(), L"Agreement.");
  EXPECT_EQ(Lines(L"one\ntwo", 1000), (LineList{L"one", L"two"}));
  EXPECT_EQ(Lines(L"a Lizenzvereinbarungsbedingungen b", 100),
            (LineList{L"a ", L"Lizenzvereinbarungsbedingungen ", L"b"}));
}

TEST(LicenceTextTest, LinesAreCentredWithoutTheirTrailingBlank) {
  const std::vector<PlacedWord> placed = LayoutWords(Measure(SplitWords({{L"ab cd", false}})), 100);
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].x, 25);  // the line "ab cd" is 50 wide
  EXPECT_EQ(placed[1].x, 55);
}

TEST(LicenceTextTest, JapaneseBreaksBetweenCharactersButNotBeforeFullStop) {
  // "...に同意したことになります。" with a link in the middle.
  const std::vector<std::wstring> lines = Lines(
      L"\x4F7F\x7528\x3059\x308B\x3068((\x4F7F\x7528\x8A31\x8AFE\x5951\x7D04))\x306B\x540C"
      L"\x610F\x3057\x307E\x3059\x3002",
      60);
  ASSERT_GT(lines.size(), 2u);
  for (const std::wstring& line : lines) {
    EXPECT_LE(line.size(), 7u);
    EXPECT_NE(line.front(), L'\x3002');
  }
  EXPECT_EQ(lines.back().back(), L'\x3002');
}

}  // namespace
}  // namespace ui
