// Selecting journal text and what a copy takes: spans, words, lines, caret
// moves and report blocks.
#include "journal/Selection.h"

#include <gtest/gtest.h>

namespace mirto {
namespace {

Journal Make(std::initializer_list<const char*> lines) {
  Journal journal;
  for (const char* line : lines) journal.push_back(line);
  return journal;
}

const Journal kReport =
    Make({"Program Mirto, journal of calculations.", "", "*********", "Population size, N= 1000",
          "Estimate of population mean: -25.500000", "*********", "Target: Mean and total of variable"});

TEST(Selection, TextAcrossLinesIsCutAtBothEndsInEitherDirection) {
  struct Case {
    const char* name;
    TextSelection selection;
    const char* text;
  } cases[] = {
      {"within a line", {{3, 11}, {3, 15}}, "size"},
      {"backwards", {{3, 15}, {3, 11}}, "size"},
      {"across lines", {{3, 20}, {4, 8}}, "1000\nEstimate"},
      {"past a line's end", {{3, 20}, {3, 99}}, "1000"},
      {"an empty line and line ends", {{0, 33}, {2, 9}}, "tions.\n\n*********"},
      {"to the next line's start", {{3, 0}, {4, 0}}, "Population size, N= 1000\n"},
      {"past the journal's end", {{6, 30}, {99, 0}}, "able"},
      {"empty", {{4, 5}, {4, 5}}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SelectedText(kReport, c.selection), c.text) << c.name;
  EXPECT_EQ(SelectedText(Journal(), {{0, 0}, {3, 3}}), "");
  const std::string all = LinesText(kReport, {0, 6});
  EXPECT_EQ(all.size(), 161u);  // 154 characters and 7 newlines
  EXPECT_EQ(SelectedText(kReport, WholeJournal(kReport)), all.substr(0, 160));
}

TEST(Selection, SpansOfEachLineForDrawing) {
  const TextSelection s{{4, 30}, {3, 5}};
  EXPECT_TRUE(SelectedColumns(s, 2, 9).empty());
  const SelectedSpan first = SelectedColumns(s, 3, 24);
  EXPECT_EQ(first.first, 5u);
  EXPECT_EQ(first.last, 24u);
  EXPECT_TRUE(first.lineEnd);
  const SelectedSpan last = SelectedColumns(s, 4, 39);
  EXPECT_EQ(last.first, 0u);
  EXPECT_EQ(last.last, 30u);
  EXPECT_FALSE(last.lineEnd);
  EXPECT_TRUE(SelectedColumns(s, 5, 9).empty());
  // A line selected only by its end still shows that end.
  EXPECT_FALSE(SelectedColumns({{3, 30}, {4, 0}}, 3, 24).empty());
}

TEST(Selection, WordsAreNumbersAndWordsLinesTakeTheirEnd) {
  struct Case {
    TextPos at;
    const char* word;
  } cases[] = {
      {{4, 31}, "-25.500000"}, {{4, 29}, "-25.500000"}, {{4, 3}, "Estimate"}, {{3, 17}, "N"},
      {{3, 18}, "="},          {{3, 16}, " "},          {{3, 99}, "1000"},    {{2, 4}, "*********"},
  };
  for (const Case& c : cases) EXPECT_EQ(SelectedText(kReport, WordAt(kReport, c.at)), c.word) << c.at.column;
  EXPECT_TRUE(WordAt(kReport, {1, 0}).empty());
  EXPECT_EQ(SelectedText(kReport, LineAt(kReport, 3)), "Population size, N= 1000\n");
  EXPECT_EQ(SelectedText(kReport, LineAt(kReport, 6)), "Target: Mean and total of variable");
}

TEST(Selection, CaretMovesKeepTheColumnAndStayInTheJournal) {
  struct Case {
    TextPos from;
    CaretMove move;
    TextPos to;
  } cases[] = {
      {{3, 0}, CaretMove::Left, {2, 9}},        {{0, 0}, CaretMove::Left, {0, 0}},
      {{3, 99}, CaretMove::Left, {3, 23}},      {{3, 24}, CaretMove::Right, {4, 0}},
      {{6, 34}, CaretMove::Right, {6, 34}},     {{4, 30}, CaretMove::Up, {3, 30}},
      {{3, 30}, CaretMove::Down, {4, 30}},      {{6, 3}, CaretMove::Down, {6, 3}},
      {{5, 2}, CaretMove::PageUp, {1, 2}},      {{2, 2}, CaretMove::PageUp, {0, 2}},
      {{1, 2}, CaretMove::PageDown, {5, 2}},    {{4, 2}, CaretMove::PageDown, {6, 2}},
      {{4, 7}, CaretMove::LineEnd, {4, 39}},    {{4, 7}, CaretMove::LineStart, {4, 0}},
      {{4, 7}, CaretMove::JournalEnd, {6, 34}}, {{4, 7}, CaretMove::JournalStart, {0, 0}},
  };
  for (const Case& c : cases) {
    const TextPos to = MoveCaret(kReport, c.from, c.move, 4);
    EXPECT_EQ(to, c.to) << static_cast<int>(c.move) << " from " << c.from.line << ":" << c.from.column;
  }
}

TEST(Selection, BlockUnderALineRunsFromItsSeparatorToTheNext) {
  EXPECT_TRUE(BlockAt(kReport, 0).empty());
  EXPECT_TRUE(BlockAt(kReport, 1).empty());
  for (std::size_t line : {2u, 3u, 4u}) {
    EXPECT_EQ(BlockAt(kReport, line).first, 2);
    EXPECT_EQ(BlockAt(kReport, line).last, 4);
  }
  EXPECT_EQ(BlockAt(kReport, 6).first, 5);
  EXPECT_EQ(BlockAt(kReport, 6).last, 6);
  EXPECT_TRUE(BlockAt(kReport, 7).empty());
  EXPECT_EQ(LinesText(kReport, BlockAt(kReport, 3)),
            "*********\nPopulation size, N= 1000\nEstimate of population mean: -25.500000\n");
}

// A million lines: one block found, one line's text, the whole journal copied.
TEST(Selection, HugeJournals) {
  Journal journal;
  journal.push_back("*********");
  for (int i = 0; i < 1'000'000; ++i) journal.push_back("Estimate of population mean: 25.500000");
  EXPECT_EQ(BlockAt(journal, 999'999).first, 0);
  EXPECT_EQ(BlockAt(journal, 999'999).last, 1'000'000);
  EXPECT_EQ(SelectedText(journal, WholeJournal(journal)).size(), 10u + 1'000'000u * 39u - 1u);
  EXPECT_EQ(SelectedText(journal, WordAt(journal, {500'000, 30})), "25.500000");
}

}  // namespace
}  // namespace mirto
