#pragma once

#include <string>
#include <vector>

namespace ui {

// A piece of the licence sentence: plain text or the link between "((" and "))".
struct TextRun {
  std::wstring text;
  bool link = false;
};

std::vector<TextRun> SplitLicenceRuns(const std::wstring& sentence);

// The unit the line breaker moves: a word with the blanks after it, one
// ideograph or kana (those languages break between characters), or a line feed.
struct Word {
  std::wstring text;
  size_t run = 0;  // index of the run the word came from
  bool line_feed = false;
};

std::vector<Word> SplitWords(const std::vector<TextRun>& runs);

// Punctuation and blanks that stay with the word before them.
bool NeverStartsLine(const std::wstring& word);

// A word as the breaker sees it: its measured width and how much of that is
// trailing blank (which does not count at the end of a line).
struct MeasuredWord {
  int width = 0;
  int trailing_blank_width = 0;
  bool line_feed = false;
  bool never_starts_line = false;
};

struct PlacedWord {
  size_t word = 0;
  int x = 0;
  int line = 0;
};

// Places words left to right, breaks a line when the next word would pass
// `available_width` or at a line feed, and centres every line.
std::vector<PlacedWord> LayoutWords(const std::vector<MeasuredWord>& words, int available_width);

}  // namespace ui
