// The delimited tokenizer. Expected records and problems are worked out by
// hand from the rules in DelimitedTokenizer.h, and each is also what libcsv
// gives, fed as the line-by-line readers feed it (support/CsvReference).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data/CellNumbers.h"
#include "data/DataFormats.h"
#include "data/DelimitedBlocks.h"
#include "data/DelimitedTokenizer.h"
#include "support/CsvReference.h"
#include "support/TokenizerRuns.h"

namespace mirto::test {
namespace {

using namespace std::string_literals;
using data::BlockSearch;
using data::DelimitedRules;
using data::TokenizerOptions;
constexpr auto kData = DelimitedRules::DataFile, kTable = DelimitedRules::Table, kPasted = DelimitedRules::Pasted;

struct Case {
  const char* name;
  DelimitedRules rules;
  std::string text;
  std::string expected;  // "LINE[field|field]" per record, then "!problem rRECORD line L field F"
  char separator = 0;
  std::size_t maxRecordBytes = data::kMaxRecordBytes, maxFields = data::kMaxColumns;
};

// libcsv, then the tokenizer searching blocks each way and reading in pieces of 1 and 5 bytes.
void ExpectRead(const Case& c) {
  SCOPED_TRACE(c.name);
  TokenizerOptions options{
      .rules = c.rules, .separator = c.separator, .maxRecordBytes = c.maxRecordBytes, .maxFields = c.maxFields};
  EXPECT_EQ(Shown(ReadWithLibcsv(c.text, options)), c.expected) << "libcsv";
  for (BlockSearch search : {BlockSearch::Portable, BlockSearch::Sse2, BlockSearch::Avx2}) {
    options.search = search;
    EXPECT_EQ(Shown(Tokenized(c.text, options)), c.expected) << "search " << static_cast<int>(search);
  }
  for (std::size_t piece : {1, 5}) EXPECT_EQ(Shown(TokenizedInPieces(c.text, options, piece)), c.expected) << piece;
}

TEST(DelimitedTokenizer, QuotesLineEndsAndBlanks) {
  const Case cases[] = {
      {"RFC 4180", kData, "a,b\n1,\"x,y\"\n\"p\"\"q\",\"l1\nl2\"\r\n3,", "1[a|b]2[1|x,y]3[p\"q|l1\nl2]5[3|]"},
      {"quoted CRLF kept in data", kData, "a\n\"x\r\ny\"\n", "1[a]2[x\r\ny]"},
      {"quoted CRLF read as LF in tables", kTable, "a\n\"x\r\ny\"\n", "1[a]2[x\ny]"},
      {"byte order mark, CRLF, empty quotes", kData,
       "\xEF\xBB\xBF"
       "a;b\r\n\"\";x\r\n",
       "1[a|b]2[|x]"},
      {"lone CR ends a line", kData, "a\rb\r\n\rc", "1[a]2[b]4[c]"},
      {"data trims spaces and tabs", kData, " a \t,\t\"b\" \t\n", "1[a|b]", ','},
      {"tables trim spaces only", kTable, " a \t,\t\"b\" \t\n", "!quote r0 line 1 field 2", ','},
      {"tab separates", kData, "a\t b \t\n", "1[a|b|]"},
      {"data skips blank lines only", kData, "# note\n\n \t \na,b\n#x,y\n", "1[# note]4[a|b]5[#x|y]"},
      {"tables skip comments", kTable, "# note\n\n \t \na,b\n#x,y\n", "4[a|b]"},
      {"pasted text skips lines of spaces", kPasted, "# note\n\n \t \na,b\n#x,y\n", "1[# note]3[\t]4[a|b]5[#x|y]"},
      {"data: separator of the first line", kData, "\na;b\n1;2\n", "2[a;b]3[1;2]"},
      {"tables: separator of the first line read", kTable, "# c,d\na;b\n", "2[a|b]"},
  };
  for (const Case& c : cases) ExpectRead(c);
}

TEST(DelimitedTokenizer, StrictProblemsAndLimits) {
  const Case cases[] = {
      {"quote in a field", kData, "a,b\n1,x\"y\n", "1[a|b]!quote r1 line 2 field 2"},
      {"text after a closing quote", kData, "\"a\"b\n", "!quote r0 line 1 field 1"},
      {"quote after blanks", kData, "\"a\" \"\n", "!quote r0 line 1 field 1"},
      {"quote left open", kData, "a\n\"b\nc\n", "1[a]!unclosed r1 line 2 field 1"},
      {"NUL in data", kData, "a,b\n1,\"x\0y\"\n"s, "1[a|b]!nul r1 line 2 field 0"},
      {"NUL in a table, its field counted", kTable, "a,b\n1,\"x\0y\"\n"s, "1[a|b]!nul r1 line 2 field 2"},
      {"NUL later on the line first", kTable, "a\"b,\0\n"s, "!nul r0 line 1 field 1"},
      {"NUL on the next line later", kData, "a\"b\n\0\n"s, "!quote r0 line 1 field 1"},
      {"too many fields", kData, "a,b,c\n1,2,3,4\n", "1[a|b|c]!too many fields r1 line 2 field 4", 0, 100, 3},
      {"data counts line ends", kData, "ab\r\nabc\r\n", "1[ab]!too long r1 line 2 field 0", 0, 4},
      {"tables do not", kTable, "ab\r\nabc\r\n", "1[ab]2[abc]", 0, 4},
      {"too long before a quote on its line", kData, "a\"bcdef\n", "!too long r0 line 1 field 0", 0, 4},
      {"a long comment", kTable, "#abcdef\nx\n", "!too long r0 line 1 field 0", 0, 4},
      {"table: NUL before the limit", kTable, "ab\0cdef\n"s, "!nul r0 line 1 field 1", 0, 4},
      {"table: the limit before a NUL", kTable, "abcdef\0\n"s, "!too long r0 line 1 field 0", 0, 4},
      {"data: a NUL on the line first", kData, "abcdef\0\n"s, "!nul r0 line 1 field 0", 0, 4},
  };
  for (const Case& c : cases) ExpectRead(c);
}

// The real limits: a record of exactly so many bytes or fields is read, one more is refused.
TEST(DelimitedTokenizer, RealLimits) {
  const std::string longest = "a\n" + std::string(data::kMaxRecordBytes - 1, 'x') + "\n";
  std::string widest = "a\n";
  for (std::size_t i = 0; i < data::kMaxColumns; ++i) widest += i ? ",1" : "1";
  const struct {
    std::string text;
    std::string problem;
  } cases[] = {
      {longest, ""},
      {longest + "y" + longest.substr(2), "!too long r2 line 3 field 0"},
      {widest, ""},
      {widest + ",1", "!too many fields r1 line 2 field 10001"},
  };
  for (const auto& c : cases) {
    const ReferenceRead read = Tokenized(c.text, {});
    EXPECT_EQ(Shown(read), Shown(ReadWithLibcsv(c.text, {})));
    const std::string shown = Shown(read);
    EXPECT_EQ(shown.substr(shown.find('!') == std::string::npos ? shown.size() : shown.find('!')), c.problem);
  }
}

TEST(DelimitedTokenizer, HandsOverOnlyTheColumnsAskedFor) {
  data::DelimitedTokenizer t("id,name,y\n1,\"say \"\"hi\"\"\",2.5\n2,plain\n", {});
  const std::size_t columns[] = {2, 1, 2};
  t.Want(columns);
  std::vector<std::string> seen;
  while (t.Next()) {
    std::string row = std::to_string(t.Fields()) + ":";
    for (std::size_t i = 0; i < t.Wanted(); ++i) row += std::string(t.Field(i)) + "|";
    seen.push_back(row);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"3:y|name|y|", "3:2.5|say \"hi\"|2.5|", "2:|plain||"}));
}

// Files made so that splits fall inside quoted fields, on CRLF and among
// blank and comment lines; the records, lines and problem must not depend on
// how many ranges read them.
TEST(DelimitedTokenizer, RangesGiveTheRecordsOfOneRead) {
  std::string mixed = "id,text\n";
  for (int i = 1; i <= 400; ++i) {
    mixed += std::to_string(i) + (i % 7 ? ",plain" : ",\"l1\nl2\r\nl3,\"\"q\"\"\"") + (i % 3 ? "\n" : "\r\n");
    if (i % 11 == 0) mixed += i % 2 ? "\n  \n" : "# note\n";
  }
  std::string spanning = "a,b\n1,\"";
  for (int i = 0; i < 500; ++i) spanning += "inside\n";
  spanning += "\"\n2,3\n";
  // One quoted field holds the middle of the file: the second range starts inside it.
  const std::size_t middle = data::SplitAtLines(spanning, 0, 2).at(1);
  ASSERT_TRUE(middle > spanning.find('"') && middle < spanning.rfind('"'));
  const std::string late = mixed + "401,x\"y\n402,z\n";
  for (DelimitedRules rules : {kData, kTable}) {
    const TokenizerOptions options{.rules = rules, .separator = ','};
    for (const std::string& text : {mixed, spanning, late}) {
      const std::string whole = Shown(Tokenized(text, options));
      for (std::size_t count = 2; count <= 6; ++count)
        EXPECT_EQ(Shown(TokenizedInRanges(text, options, count)), whole) << count << " ranges";
    }
  }
}

// Ten million lines are not read for the first five records; a failed read is told.
TEST(DelimitedTokenizer, ReadsOnlyWhatItNeedsAndTellsReadErrors) {
  std::size_t given = 0;
  data::DelimitedTokenizer lines(
      [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min<std::size_t>(size, 20'000'000 - given);
        for (std::size_t i = 0; i < n; ++i) buffer[i] = (given + i) % 2 ? '\n' : '1';
        given += n;
        return static_cast<long>(n);
      },
      {});
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(lines.Next());
  EXPECT_EQ(lines.Line(), 5);
  EXPECT_LT(given, 1u << 20);

  data::DelimitedTokenizer failing([](char*, std::size_t) { return -static_cast<long>(EIO); }, {});
  EXPECT_FALSE(failing.Next());
  ASSERT_TRUE(failing.Error());
  EXPECT_EQ(failing.Error()->problem, data::TokenProblem::Read);
  EXPECT_EQ(failing.Error()->errnum, EIO);
}

// Each way of searching a block finds exactly the bytes a plain loop finds.
TEST(DelimitedTokenizer, BlockSearchesAgree) {
  std::mt19937 random(25);
  const char some[] = {',', ';', '\t', '"', '\n', '\r', '\0', 'a', ' ', '\x80', '\xff', '\x8a'};
  for (int round = 0; round < 2000; ++round) {
    char block[data::blocks::kBlock];
    for (char& c : block) c = round % 2 ? some[random() % sizeof some] : static_cast<char>(random());
    const char separator = ",;\t"[round % 3];
    std::uint64_t separators = 0, ends = 0;
    for (std::size_t i = 0; i < sizeof block; ++i) {
      const char c = block[i];
      if (c == separator) separators |= std::uint64_t{1} << i;
      if (c == '"' || c == '\n' || c == '\r' || c == '\0') ends |= std::uint64_t{1} << i;
    }
    const auto agrees = [&](auto search) {
      EXPECT_EQ(search.Specials(block, separator), separators | ends);
      const data::blocks::Classes classes = search.Split(block, separator);
      EXPECT_EQ(classes.separators, separators);
      EXPECT_EQ(classes.ends, ends);
    };
    agrees(data::blocks::Portable{});
#ifdef MIRTO_X86_BLOCKS
    agrees(data::blocks::Sse2{});
    if (__builtin_cpu_supports("avx2")) agrees(data::blocks::Avx2{});
#endif
  }
}

// The quick reading of plain decimals gives what ReadCell (from_chars) gives, bit for bit, and leaves
// the rest to it: signs, points, digits past 2^53 or 22 decimals, exponents, blanks, NA, text.
TEST(DelimitedTokenizer, QuickNumbersAreReadCellsNumbers) {
  const auto equal = [](const data::Value& quick, const data::Value& slow) {
    return quick.missing == slow.missing && quick.numeric == slow.numeric &&
           std::memcmp(&quick.number, &slow.number, sizeof(double)) == 0 && quick.text == slow.text;
  };
  const auto same = [&](std::string_view text) {
    const data::Value slow = data::ReadCell(text);
    bool all = equal(data::ReadCellFast(text), slow);
#if defined(__x86_64__)
    // Sixteen bytes at once where they may be read: what follows the text, digits and points, must not count.
    if (__builtin_cpu_supports("avx2")) {
      const std::string padded = std::string(text) + "1.2.3.4.5.6.7.8.9";
      data::Value wide, tight;
      data::ReadCellAvx2(std::string_view(padded).substr(0, text.size()), padded.data() + padded.size(), wide);
      data::ReadCellAvx2(text, text.data() + text.size(), tight);
      all = all && equal(wide, data::ReadCell(std::string_view(padded).substr(0, text.size()))) && equal(tight, slow);
    }
#endif
    return all;
  };
  for (const char* text : {"5.",
                           ".5",
                           "-.5",
                           "-0",
                           "-0.0",
                           "0.1",
                           "0.3",
                           "-",
                           ".",
                           "-.",
                           "1.2.3",
                           "--1",
                           "+1",
                           "+-1",
                           " 1",
                           "1 ",
                           "1e5",
                           "NA",
                           "",
                           "9007199254740993",
                           "9007199254740992.5",
                           "12345678901234567890",
                           "0.00000000000000000000001",
                           "1.00000000000000000000001",
                           "0x10",
                           "inf",
                           "nan",
                           "1,5",
                           "1234567890123456",
                           "-1234567890.12345",
                           "000000000000000.5"})
    EXPECT_TRUE(same(text)) << text;
  std::mt19937_64 random(25);
  for (int i = 0; i < 200'000; ++i) {
    std::string text = random() % 4 ? "" : "-";
    const int digits = 1 + static_cast<int>(random() % 18), point = static_cast<int>(random() % (digits + 1));
    for (int k = 0; k < digits; ++k)
      text += (k == point ? "." : "") + std::string(1, static_cast<char>('0' + random() % 10));
    ASSERT_TRUE(same(text)) << text;
  }
}

}  // namespace
}  // namespace mirto::test
