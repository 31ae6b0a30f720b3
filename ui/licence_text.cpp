#include "ui/licence_text.h"

#include <algorithm>

namespace ui {
namespace {

constexpr wchar_t kLinkOpen[] = L"((";
constexpr wchar_t kLinkClose[] = L"))";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x3000; }

// Scripts written without blanks between words, where a line may break after
// any character.
bool BreaksAnywhere(wchar_t c) {
  return (c >= 0x3040 && c <= 0x30FF) ||  // hiragana, katakana
         (c >= 0x3400 && c <= 0x4DBF) ||  // CJK extension A
         (c >= 0x4E00 && c <= 0x9FFF) ||  // CJK unified ideographs
         (c >= 0xF900 && c <= 0xFAFF) ||  // CJK compatibility ideographs
         (c >= 0xFF01 && c <= 0xFF60) ||  // full-width forms
         (c >= 0x3000 && c <= 0x303F);    // CJK punctuation
}

}  // namespace

std::vector<TextRun> SplitLicenceRuns(const std::wstring& sentence) {
  std::vector<TextRun> runs;
  size_t position = 0;
  while (position < sentence.size()) {
    const size_t open = sentence.find(kLinkOpen, position);
    if (open == std::wstring::npos) break;
    const size_t close = sentence.find(kLinkClose, open + 2);
    if (close == std::wstring::npos) break;
    if (open > position) runs.push_back({sentence.substr(position, open - position), false});
    if (close > open + 2) runs.push_back({sentence.substr(open + 2, close - open - 2), true});
    position = close + 2;
  }
  if (position < sentence.size()) runs.push_back({sentence.substr(position), false});
  return runs;
}

std::vector<Word> SplitWords(const std::vector<TextRun>& runs) {
  std::vector<Word> words;
  for (size_t run = 0; run < runs.size(); ++run) {
    const std::wstring& text = runs[run].text;
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] == L'\n') {
        words.push_back({L"\n", run, true});
        ++i;
        continue;
      }
      size_t end = i;
      if (BreaksAnywhere(text[i]) && !IsBlank(text[i])) {
        ++end;
      } else {
        while (end < text.size() && !IsBlank(text[end]) && text[end] != L'\n' &&
               !BreaksAnywhere(text[end])) {
          ++end;
        }
      }
      while (end < text.size() && IsBlank(text[end])) ++end;
      words.push_back({text.substr(i, end - i), run, false});
      i = end;
    }
  }
  return words;
}

bool NeverStartsLine(const std::wstring& word) {
  static constexpr wchar_t kTrailing[] =
      L" \t\n,.:;?!\x3000\x3001\x3002\xFF0C\xFF0E\xFF1A\xFF1B"
      L"\xFF1F\xFF01\x300D\x300F\xFF09";
  return std::all_of(word.begin(), word.end(), [](wchar_t c) {
    return std::wstring_view(kTrailing).find(c) != std::wstring_view::npos;
  });
}

std::vector<PlacedWord> LayoutWords(const std::vector<MeasuredWord>& words, int available_width) {
  std::vector<PlacedWord> placed;
  size_t line_start = 0;  // first entry of `placed` on the current line
  int line = 0;
  int x = 0;
  auto finish_line = [&]() {
    int line_width = 0;
    for (size_t i = line_start; i < placed.size(); ++i) {
      const MeasuredWord& word = words[placed[i].word];
      line_width =
          std::max(line_width, placed[i].x + word.width -
                                   (i + 1 == placed.size() ? word.trailing_blank_width : 0));
    }
    const int offset = (available_width - line_width) / 2;
    for (size_t i = line_start; i < placed.size(); ++i) placed[i].x += offset;
    line_start = placed.size();
    ++line;
    x = 0;
  };
  for (size_t i = 0; i < words.size(); ++i) {
    const MeasuredWord& word = words[i];
    if (word.line_feed) {
      finish_line();
      continue;
    }
    const bool fits = x + word.width - word.trailing_blank_width <= available_width;
    if (!fits && placed.size() > line_start && !word.never_starts_line) finish_line();
    placed.push_back({i, x, line});
    x += word.width;
  }
  if (placed.size() > line_start) finish_line();
  return placed;
}

}  // namespace ui
