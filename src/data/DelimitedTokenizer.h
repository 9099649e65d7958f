#pragma once
// Delimited text split into records and fields a block of bytes at a time,
// with the rules of the libcsv-based readers (CSV_STRICT | CSV_STRICT_FINI)
// that it stands in for, so that rows, fields and problems do not change:
//
// - Quotes: a field may be quoted; inside, "" is a quote, and separators and
//   line ends are text. A quote anywhere else in a field, or text after a
//   closing quote other than blanks, is refused.
// - Blanks (spaces, and for data files tabs unless they separate) around a
//   field that is not quoted, and after a closing quote, are not kept.
// - Lines end at LF, CR or CRLF; a record ends at a line end outside quotes.
//   Lines with nothing but blanks make no record. Tables also skip lines
//   whose first text is '#' (unless pasted).
// - A byte order mark at the start is passed over. The separator, when not
//   given, is found (DetectSeparator) from the first line (data files) or the
//   first line not skipped (tables).
// - Refused: a NUL byte; a record longer than `maxRecordBytes` (data files
//   count its lines whole, line ends included, from the line it starts on;
//   tables count its text without line ends, each skipped line on its own);
//   more than `maxFields` fields; a quote left open at the end.
// - The problem told is the one today's line-by-line readers meet first: on
//   the line of a problem, a NUL byte and the record growing too long (for
//   tables, whichever byte comes first; for data files, a NUL first) come
//   before what the parse of that line finds.
//
// Only the fields asked for are handed over, as views into the bytes (or a
// scratch copy when quotes must be undone); the others are passed over.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/Delimited.h"

namespace mirto::data {

enum class DelimitedRules : std::uint8_t {
  DataFile,  // data files: blanks are spaces and tabs; no line skipped; quoted line ends kept as written
  Table,   // tables (rows, population, pairs): blanks are spaces; blank and '#' lines skipped; quoted line ends read as
           // LF
  Pasted,  // pasted text: as a table, but only lines of spaces are passed over
};

// How blocks of bytes are searched: the best the processor offers, or one
// named (tests compare them).
enum class BlockSearch : std::uint8_t { Best, Portable, Sse2, Avx2 };

struct TokenizerOptions {
  DelimitedRules rules = DelimitedRules::DataFile;
  char separator = 0;  // '\t', ';' or ','; 0: found from the first line
  std::size_t maxRecordBytes = kMaxRecordBytes;
  std::size_t maxFields = kMaxColumns;
  BlockSearch search = BlockSearch::Best;
};

enum class TokenProblem : std::uint8_t {
  Nul,            // a NUL byte: not a text file
  TooLong,        // a record (or a skipped line) longer than maxRecordBytes
  TooManyFields,  // more than maxFields fields
  Quote,          // a quote inside a field that is not quoted, or text after a closing quote
  Unclosed,       // a quoted field not closed at the end
  Read,           // the source could not be read (`errnum`)
};

// Where reading stopped. `record` counts the records complete before it (so
// it is the one the problem stands in, from 0); `line` is the line of the
// byte at fault, or for TooLong, TooManyFields and Unclosed the line the
// record starts on; `field` is from 1, 0 for the whole line (and for a NUL in
// a data file, which is told by its line alone).
struct TokenError {
  TokenProblem problem = TokenProblem::Nul;
  std::size_t record = 0;
  long long line = 0;
  std::size_t field = 0;
  int errnum = 0;
};

// Bytes in memory that may go on (a block of a file read in one piece). With
// `keep`: given the bytes held, the same bytes followed by more, at any
// address (those held stay where they were, for the views handed over from
// them). Without: the bytes that follow the last given, anywhere, read once
// and forgotten. Sets whether they reach the end; returns 0, or an errno.
using GrowBytes = std::function<int(std::string_view& bytes, bool& final, bool keep)>;

class DelimitedTokenizer {
 public:
  // Bytes in memory (a mapped file): no copy is made. `begin` and `stop`
  // make a range of them: it starts at a line start, and records that start
  // before `stop` are its own (the last may run past `stop`). A range that
  // does not begin at 0 needs the separator given; its records and lines are
  // counted from its start.
  DelimitedTokenizer(std::string_view bytes, const TokenizerOptions& options, std::size_t begin = 0,
                     std::size_t stop = std::string_view::npos);
  // The same with bytes that go on past those given, unless `final`: `grow`
  // gives more when a record needs them.
  DelimitedTokenizer(std::string_view bytes, bool final, GrowBytes grow, const TokenizerOptions& options,
                     std::size_t begin, std::size_t stop);
  // Bytes from a source, read as they are needed.
  DelimitedTokenizer(ReadBytes read, const TokenizerOptions& options);
  ~DelimitedTokenizer();
  DelimitedTokenizer(const DelimitedTokenizer&) = delete;
  DelimitedTokenizer& operator=(const DelimitedTokenizer&) = delete;

  // The fields handed over: each field (the default), or `columns` (from 0,
  // in the order given, a column named twice handed twice).
  void WantAll();
  void Want(std::span<const std::size_t> columns);

  // Reads the next record; false at the end, or at a problem (Error()).
  bool Next();

  // The record read last: its place (from 0), the line it starts on, how many
  // fields it has, and the fields asked for. A view lasts until Next().
  std::size_t Record() const { return m_recordIndex; }
  long long Line() const { return m_recordLine; }
  std::size_t Fields() const { return m_fields; }
  std::size_t Wanted() const { return m_all ? m_fields : m_order.size(); }
  std::string_view Field(std::size_t i) const { return m_views[m_all ? i : m_order[i]]; }

  const std::optional<TokenError>& Error() const { return m_error; }
  // The separator in use (0 until the first record when it is to be found).
  char Separator() const { return m_separator; }
  // After the end: where reading stopped (the offset in the bytes given),
  // and how many lines were passed; `Offset() == stop` when the range ended
  // on its bound, as ranges that follow it assume.
  std::size_t Offset() const { return static_cast<std::size_t>(m_base) + m_pos; }
  long long LinesPassed() const { return m_line - 1; }

 private:
  enum class Step : std::uint8_t { Record, More, End, Failed, Going };
  struct Pass;
  template <class Search>
  friend struct RecordParser;

  void Init(const TokenizerOptions& options);
  Step Start();
  Step Skip();
  Step SkipTableLine(std::size_t text);
  Step Decide();
  bool Refill();
  bool Grow();
  Step Fail(Pass pass, TokenProblem problem, std::size_t at, std::size_t field);
  bool NulFurtherOn(bool& nul);
  std::size_t CrudeField(const Pass& pass, std::size_t nul) const;
  Step Report(TokenProblem problem, long long line, std::size_t field, int errnum = 0);
  void Settle();
  void Undo(std::size_t view, std::string_view quoted);
  [[gnu::noinline]] static void GrowAll(DelimitedTokenizer& t);
  bool Blank(char c) const { return c == ' ' || (c == '\t' && m_tabIsBlank); }
  bool Table() const { return m_rules != DelimitedRules::DataFile; }

  // What the bytes are and where reading stands.
  DelimitedRules m_rules = DelimitedRules::DataFile;
  std::size_t m_maxRecord = 0, m_maxFields = 0;
  char m_separator = 0;
  bool m_given = false;  // the separator was given
  bool m_tabIsBlank = false;
  const char* m_data = nullptr;  // the bytes held: a window on the source
  std::size_t m_size = 0;
  std::uint64_t m_base = 0;  // where m_data starts in the source
  std::size_t m_pos = 0;     // the next byte to read, in m_data
  std::size_t m_stop = std::string_view::npos;
  bool m_final = true;  // nothing follows m_data
  ReadBytes m_read;
  GrowBytes m_grow;
  std::vector<char> m_buffer;
  std::uint64_t m_lineStart = 0;  // where the line at m_pos starts, in the source
  long long m_line = 1;
  long long m_decidedAfter = 0;  // lines after it use the separator found (before, NULs count commas)
  std::size_t m_records = 0;
  bool m_started = false, m_done = false;
  Step (*m_parse)(DelimitedTokenizer&) = nullptr;
  std::size_t m_blockBase = 0;    // the block of bytes searched last, in m_data
  std::uint64_t m_blockMask = 0;  // its separators, quotes, line ends and NULs not yet passed
  bool m_blockValid = false;

  // The fields asked for.
  bool m_all = true;
  std::vector<int> m_slot;           // per column: its view, or -1
  std::vector<std::size_t> m_order;  // per column asked for: its view
  std::size_t m_slotCount = 0;

  // The record read last.
  std::size_t m_recordIndex = 0;
  long long m_recordLine = 0;
  std::size_t m_fields = 0;
  std::vector<std::string_view> m_views;
  std::string m_scratch;  // quoted fields undone
  struct Undone {
    std::size_t view, offset, size;  // where a field undone stands in m_scratch
  };
  std::vector<Undone> m_undone;
  std::optional<TokenError> m_error;
};

// Offsets that split `bytes[begin, end)` into at most `count` ranges of about
// the same size, each after a line feed (the first is `begin`); fewer when
// the bytes hold fewer lines.
std::vector<std::size_t> SplitAtLines(std::string_view bytes, std::size_t begin, std::size_t count);

}  // namespace mirto::data
