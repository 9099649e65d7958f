#include "data/DelimitedTokenizer.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <optional>

#include "data/DelimitedBlocks.h"

namespace mirto::data {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kChunk = 1 << 16;

bool LineEnd(char c) { return c == '\n' || c == '\r'; }

// The first NUL or line end in [at, size), or size.
std::size_t NulOrLineEnd(const char* data, std::size_t at, std::size_t size) {
  while (at < size && data[at] != '\0' && !LineEnd(data[at])) ++at;
  return at;
}

}  // namespace

// Where the parse of one record stands; kept apart so that a record cut by
// the end of the bytes held can be parsed again once more are read.
struct DelimitedTokenizer::Pass {
  std::size_t start = 0;              // where the parse starts, in m_data
  std::uint64_t recordLineStart = 0;  // the line the record starts on, in the source
  long long recordLine = 0;
  long long line = 0;            // the line being parsed
  std::uint64_t lineStart = 0;   // where it starts, in the source
  std::size_t fields = 0;        // fields complete
  std::size_t fieldsAtLine = 0;  // fields complete when the line began
  std::uint64_t lineEnds = 0;    // bytes of the line ends inside the record before this line
  bool continued = false;        // the line began inside a quoted field
};

// One record, parsed block by block: `Search` finds the bytes that matter.
// Everything here is inlined into one function per way of searching, so that
// what the loop keeps stays in registers; problems are handed a copy of the pass.
template <class Search>
struct RecordParser {
  using Step = DelimitedTokenizer::Step;
  using Pass = DelimitedTokenizer::Pass;
  DelimitedTokenizer& t;
  const char* const data;
  const std::size_t size;
  const char sep;
  const bool tabs;  // tabs are blanks
  const bool final;
  const std::size_t maxFields;
  const int* slot;  // per column: its view, or -1
  std::size_t slots;
  std::string_view* views;
  Pass pass;
  std::size_t base = 0;    // the block searched, in data
  std::uint64_t mask = 0;  // the bytes of it that matter, not yet passed

  [[gnu::always_inline]] inline explicit RecordParser(DelimitedTokenizer& tokenizer)
      : t(tokenizer),
        data(tokenizer.m_data),
        size(tokenizer.m_size),
        sep(tokenizer.m_separator),
        tabs(tokenizer.m_tabIsBlank),
        final(tokenizer.m_final),
        maxFields(tokenizer.m_maxFields),
        slot(tokenizer.m_slot.data()),
        slots(tokenizer.m_slot.size()),
        views(tokenizer.m_views.data()) {
    pass.start = t.m_pos;
    pass.recordLineStart = pass.lineStart = t.m_lineStart;
    pass.recordLine = pass.line = t.m_line;
    base = t.m_blockBase;
    mask = t.m_blockMask;
    if (!t.m_blockValid) Load(pass.start);
  }

  [[gnu::always_inline]] inline bool Blank(char c) const { return c == ' ' || (c == '\t' && tabs); }

  [[gnu::always_inline]] inline void Load(std::size_t at) {
    base = at;
    mask = size - at >= blocks::kBlock ? Search::Specials(data + at, sep)
           : at < size                 ? blocks::TailSpecials<Search>(data + at, size - at, sep)
                                       : 0;
  }

  [[gnu::always_inline]] inline void Seek(std::size_t at) {
    if (at >= base && at - base < blocks::kBlock)
      mask &= ~std::uint64_t{0} << (at - base);
    else
      Load(at);
  }

  // The next separator, quote, line end or NUL; `size` when the bytes held end first.
  [[gnu::always_inline]] inline std::size_t Next() {
    while (mask == 0) {
      if (base + blocks::kBlock >= size) return size;
      Load(base + blocks::kBlock);
    }
    const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(mask));
    mask &= mask - 1;
    return at;
  }

  [[gnu::always_inline]] inline bool AllBlank(std::size_t from, std::size_t to) const {
    for (; from < to; ++from)
      if (!Blank(data[from])) return false;
    return true;
  }

  // Where the field in `column` goes, or -1 when it is not asked for.
  [[gnu::always_inline]] inline int Slot(std::size_t column) {
    if (column >= slots) {
      if (!t.m_all) return -1;
      DelimitedTokenizer::GrowAll(t);
      slot = t.m_slot.data();
      slots = t.m_slot.size();
      views = t.m_views.data();
    }
    return slot[column];
  }

  [[gnu::always_inline]] inline void Keep(std::size_t from, std::size_t to) {
    const int s = Slot(pass.fields++);
    if (s < 0) return;
    while (from < to && Blank(data[from])) ++from;
    while (to > from && Blank(data[to - 1])) --to;
    views[s] = std::string_view(data + from, to - from);
  }

  // A quoted field's text [from, to): as it stands, or undone into the scratch copy.
  [[gnu::always_inline]] inline void KeepQuoted(std::size_t from, std::size_t to, bool undo) {
    const int s = Slot(pass.fields++);
    if (s < 0) return;
    if (undo)
      t.Undo(static_cast<std::size_t>(s), std::string_view(data + from, to - from));
    else
      views[s] = std::string_view(data + from, to - from);
  }

  // The bytes held end inside the record, whose bytes before `at` are known: read
  // more, unless they make it too long already.
  [[gnu::always_inline]] inline Step More(std::size_t at) {
    const std::uint64_t bytes = t.m_base + at - pass.recordLineStart - (t.Table() ? pass.lineEnds : 0);
    if (bytes > t.m_maxRecord) return t.Fail(pass, TokenProblem::TooLong, at, 0);
    return Step::More;
  }

  // The record ends at `at` (a line end, or `size` at the end of the bytes).
  [[gnu::always_inline]] inline Step End(std::size_t at) {
    std::size_t next = at;
    if (at < size) {
      next = at + 1;
      if (data[at] == '\r') {
        if (next == size && !final) return More(at);
        if (next < size && data[next] == '\n') ++next;
      }
    }
    const std::uint64_t bytes =
        t.Table() ? t.m_base + at - pass.recordLineStart - pass.lineEnds : t.m_base + next - pass.recordLineStart;
    if (bytes > t.m_maxRecord) return t.Fail(pass, TokenProblem::TooLong, at, 0);
    t.m_blockBase = base;
    t.m_blockMask = mask;
    t.m_blockValid = true;
    t.m_pos = next;
    t.m_line = pass.line + (at < size);
    t.m_lineStart = t.m_base + next;  // at the end of the bytes, nothing is left of the line
    t.m_recordIndex = t.m_records++;
    t.m_recordLine = pass.recordLine;
    t.m_fields = pass.fields;
    if (!t.m_undone.empty() || (!t.m_all && pass.fields < slots)) t.Settle();
    return Step::Record;
  }

  [[gnu::always_inline]] inline Step TooMany(std::size_t at) {
    return t.Fail(pass, TokenProblem::TooManyFields, at, maxFields + 1);
  }

  [[gnu::always_inline]] inline Step Record() {
    if (!t.m_undone.empty()) t.m_undone.clear();  // from a pass cut short
    Seek(pass.start);
    std::size_t fieldStart = pass.start;
    for (;;) {
      const std::size_t at = Next();
      if (at == size) {
        if (!final) return More(at);
        if (pass.fields == maxFields) return TooMany(at);
        Keep(fieldStart, at);
        return End(at);
      }
      const char c = data[at];
      if (c == sep) {
        if (pass.fields == maxFields) return TooMany(at);
        Keep(fieldStart, at);
        fieldStart = at + 1;
        continue;
      }
      if (c == '\n' || c == '\r') {
        if (pass.fields == maxFields) return TooMany(at);
        Keep(fieldStart, at);
        return End(at);
      }
      if (c != '"') return t.Fail(pass, TokenProblem::Nul, at, 0);
      if (!AllBlank(fieldStart, at)) return t.Fail(pass, TokenProblem::Quote, at, pass.fields + 1);
      const Step step = Quoted(at, fieldStart);
      if (step != Step::Going) return step;
    }
  }

  // The field opened by the quote at `open`; Going when the record goes on at `fieldStart`.
  [[gnu::always_inline]] inline Step Quoted(std::size_t open, std::size_t& fieldStart) {
    bool undo = false;
    for (;;) {
      const std::size_t at = Next();
      if (at == size) return final ? t.Fail(pass, TokenProblem::Unclosed, at, pass.fields + 1) : More(at);
      const char c = data[at];
      if (c == sep) continue;
      if (c == '\n' || c == '\r') {
        std::size_t next = at + 1;
        if (c == '\r') {
          if (next == size && !final) return More(at);
          if (next < size && data[next] == '\n') ++next, Next();
          undo |= t.Table();
        }
        ++pass.line;
        pass.lineEnds += next - at;
        pass.lineStart = t.m_base + next;
        pass.fieldsAtLine = pass.fields;
        pass.continued = true;
        continue;
      }
      if (c != '"') return t.Fail(pass, TokenProblem::Nul, at, 0);
      if (at + 1 == size && !final) return More(size);
      if (at + 1 < size && data[at + 1] == '"') {
        Next();
        undo = true;
        continue;
      }
      std::size_t after = at + 1;
      while (after < size && Blank(data[after])) ++after;
      if (after == size && !final) return More(size);
      if (after < size && data[after] != sep && !LineEnd(data[after]))
        return data[after] == '\0' ? t.Fail(pass, TokenProblem::Nul, after, 0)
                                   : t.Fail(pass, TokenProblem::Quote, after, pass.fields + 1);
      if (pass.fields == maxFields) return TooMany(after);
      KeepQuoted(open + 1, at, undo);
      if (after == size || data[after] != sep) return End(after);
      fieldStart = after + 1;
      Seek(fieldStart);
      return Step::Going;
    }
  }

  [[gnu::always_inline]] static inline Step Run(DelimitedTokenizer& t) { return RecordParser(t).Record(); }
};

namespace {

// Built for AVX2 as a whole, so that its block search is inlined.
#ifdef MIRTO_X86_BLOCKS
__attribute__((target("avx2"))) auto ParseAvx2(DelimitedTokenizer& t) { return RecordParser<blocks::Avx2>::Run(t); }
auto ParseSse2(DelimitedTokenizer& t) { return RecordParser<blocks::Sse2>::Run(t); }
#endif
auto ParsePortable(DelimitedTokenizer& t) { return RecordParser<blocks::Portable>::Run(t); }

auto ParserFor(BlockSearch search) {
#ifdef MIRTO_X86_BLOCKS
  if (search == BlockSearch::Best) search = __builtin_cpu_supports("avx2") ? BlockSearch::Avx2 : BlockSearch::Sse2;
  if (search == BlockSearch::Avx2 && __builtin_cpu_supports("avx2")) return ParseAvx2;
  if (search != BlockSearch::Portable) return ParseSse2;
#endif
  return ParsePortable;
}

}  // namespace

DelimitedTokenizer::DelimitedTokenizer(std::string_view bytes, const TokenizerOptions& options, std::size_t begin,
                                       std::size_t stop)
    : m_data(bytes.data()), m_size(bytes.size()), m_pos(std::min(begin, bytes.size())), m_stop(stop) {
  Init(options);
  m_lineStart = m_pos;
}

DelimitedTokenizer::DelimitedTokenizer(std::string_view bytes, bool final, GrowBytes grow,
                                       const TokenizerOptions& options, std::size_t begin, std::size_t stop)
    : DelimitedTokenizer(bytes, options, begin, stop) {
  m_final = final;
  m_grow = std::move(grow);
}

DelimitedTokenizer::DelimitedTokenizer(ReadBytes read, const TokenizerOptions& options)
    : m_final(false), m_read(std::move(read)), m_buffer(kChunk) {
  Init(options);
  m_data = m_buffer.data();
}

DelimitedTokenizer::~DelimitedTokenizer() = default;

void DelimitedTokenizer::Init(const TokenizerOptions& options) {
  m_rules = options.rules;
  m_maxRecord = options.maxRecordBytes;
  m_maxFields = options.maxFields;
  m_separator = options.separator;
  m_given = options.separator != 0;
  m_tabIsBlank = m_rules == DelimitedRules::DataFile && m_separator != '\t';
  m_decidedAfter = m_given ? 0 : LLONG_MAX;
  m_parse = ParserFor(options.search);
}

void DelimitedTokenizer::WantAll() {
  m_all = true;
  m_slot.clear();
  m_order.clear();
  m_views.clear();
}

void DelimitedTokenizer::Want(std::span<const std::size_t> columns) {
  m_all = false;
  m_slot.clear();
  m_order.clear();
  m_slotCount = 0;
  for (std::size_t column : columns) {
    if (column >= m_slot.size()) m_slot.resize(column + 1, -1);
    if (m_slot[column] < 0) m_slot[column] = static_cast<int>(m_slotCount++);
    m_order.push_back(static_cast<std::size_t>(m_slot[column]));
  }
  m_views.assign(m_slotCount, {});
}

bool DelimitedTokenizer::Next() {
  if (m_done || m_error) return false;
  for (;;) {
    Step step = m_started ? Skip() : Start();
    if (step == Step::Record && !m_separator) step = Decide();
    if (step == Step::Record) step = m_parse(*this);
    if (step == Step::Record) return true;
    if (step == Step::End) m_done = true;
    if (step != Step::More || !Refill()) return false;
  }
}

// The byte order mark, and for data files the separator from the first line.
DelimitedTokenizer::Step DelimitedTokenizer::Start() {
  if (m_size - m_pos < kByteOrderMark.size() && !m_final) return Step::More;
  if (m_base + m_pos == 0 && std::string_view(m_data, m_size).starts_with(kByteOrderMark)) {
    m_pos = kByteOrderMark.size();
    if (!Table()) m_lineStart = m_pos;  // tables count it in the first line's length
  }
  if (!m_separator && !Table()) {
    const Step step = Decide();
    if (step != Step::Record) return step;
  }
  m_started = true;
  return Skip();
}

// The separator from the line at m_pos, as far as it is held (a record
// longer than the limit is refused before its separator matters).
DelimitedTokenizer::Step DelimitedTokenizer::Decide() {
  std::size_t end = m_pos;
  while (end < m_size && !LineEnd(m_data[end])) ++end;
  if (end == m_size && !m_final && end - m_pos <= m_maxRecord) return Step::More;
  m_separator = DetectSeparator(std::string_view(m_data + m_pos, end - m_pos));
  m_tabIsBlank = !Table() && m_separator != '\t';
  m_decidedAfter = m_line;
  return Step::Record;
}

// Passes over what makes no record; Record when one starts at m_pos.
DelimitedTokenizer::Step DelimitedTokenizer::Skip() {
  for (;;) {
    if (m_lineStart >= m_stop) return Step::End;
    // A table's first line may hold a byte order mark alone: a line, not yet the end.
    if (m_pos == m_size && (!m_final || m_base + m_pos == m_lineStart || !Table()))
      return m_final ? Step::End : Step::More;
    if (Table()) {
      std::size_t text = m_pos;
      const bool tabs = m_rules == DelimitedRules::Table;
      while (text < m_size && (m_data[text] == ' ' || (tabs && m_data[text] == '\t'))) ++text;
      const bool blank = text == m_size || LineEnd(m_data[text]);
      if (!blank && !(tabs && m_data[text] == '#')) return Step::Record;
      const Step step = SkipTableLine(text);
      if (step != Step::Record) return step;
      continue;
    }
    const char c = m_data[m_pos];
    if (Blank(c)) {
      ++m_pos;
      continue;
    }
    if (!LineEnd(c)) return Step::Record;
    std::size_t next = m_pos + 1;
    if (c == '\r' && next == m_size && !m_final) return Step::More;
    if (c == '\r' && next < m_size && m_data[next] == '\n') ++next;
    m_pos = next;
    ++m_line;
    m_lineStart = m_base + next;
  }
}

// A blank or comment line of a table, its text from `text` on: passed over,
// unless it holds a NUL or is longer than a record may be.
DelimitedTokenizer::Step DelimitedTokenizer::SkipTableLine(std::size_t text) {
  const std::size_t end = NulOrLineEnd(m_data, text, m_size);
  const std::uint64_t threshold = m_lineStart + m_maxRecord;  // the first byte past the limit
  if (threshold < m_base + end) return Report(TokenProblem::TooLong, m_line, 0);
  if (end == m_size && !m_final) return Step::More;
  if (end < m_size && m_data[end] == '\0') {
    Pass line;
    line.start = m_pos;
    line.line = m_line;
    return Report(TokenProblem::Nul, m_line, CrudeField(line, end));
  }
  std::size_t next = end;
  if (end < m_size) {
    next = end + 1;
    if (m_data[end] == '\r' && next == m_size && !m_final) return Step::More;
    if (m_data[end] == '\r' && next < m_size && m_data[next] == '\n') ++next;
    ++m_line;
  }
  m_pos = next;
  m_lineStart = m_base + next;
  return Step::Record;
}

// What a record leaves to settle: the fields undone into the scratch copy,
// and the columns asked for that it lacks.
void DelimitedTokenizer::Settle() {
  for (const Undone& u : m_undone) m_views[u.view] = std::string_view(m_scratch).substr(u.offset, u.size);
  m_undone.clear();
  if (!m_all)
    for (std::size_t column = m_fields; column < m_slot.size(); ++column)
      if (m_slot[column] >= 0) m_views[static_cast<std::size_t>(m_slot[column])] = {};
}

// A quoted field with doubled quotes (or, in tables, CR line ends) copied as it reads.
void DelimitedTokenizer::Undo(std::size_t view, std::string_view quoted) {
  if (m_undone.empty()) m_scratch.clear();  // the last record's copies are done with
  const std::size_t offset = m_scratch.size();
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    const char c = quoted[i];
    if (c == '"') ++i;  // the first of two
    if (c == '\r' && Table()) {
      if (i + 1 < quoted.size() && quoted[i + 1] == '\n') ++i;
      m_scratch += '\n';
      continue;
    }
    m_scratch += c;
  }
  m_undone.push_back({view, offset, m_scratch.size() - offset});
}

void DelimitedTokenizer::GrowAll(DelimitedTokenizer& t) {
  t.m_slot.push_back(static_cast<int>(t.m_slot.size()));
  t.m_views.emplace_back();
}

// Makes room and reads more: the record being read is kept whole.
bool DelimitedTokenizer::Refill() {
  if (m_grow) return Grow();
  if (!m_read) {
    m_done = true;
    return false;
  }
  const std::size_t keep = m_size - m_pos;
  if (m_buffer.size() < 2 * keep + kChunk) {
    std::vector<char> bigger(2 * keep + kChunk);
    std::memcpy(bigger.data(), m_data + m_pos, keep);
    m_buffer.swap(bigger);
  } else if (keep > 0) {
    std::memmove(m_buffer.data(), m_data + m_pos, keep);
  }
  m_data = m_buffer.data();
  m_base += m_pos;
  m_pos = 0;
  m_size = keep;
  m_blockValid = false;
  // At least as much again as is kept, so that a long record is parsed again no more than twice over.
  while (m_size - keep < std::max<std::size_t>(keep, 1)) {
    const long n = m_read(m_buffer.data() + m_size, m_buffer.size() - m_size);
    if (n < 0) {
      Report(TokenProblem::Read, 0, 0, static_cast<int>(-n));
      return false;
    }
    if (n == 0) {
      m_final = true;
      break;
    }
    m_size += static_cast<std::size_t>(n);
  }
  return true;
}

// Bytes in memory made longer: the positions in them stay.
bool DelimitedTokenizer::Grow() {
  std::string_view bytes(m_data, m_size);
  bool final = false;
  if (const int errnum = m_grow(bytes, final, true); errnum != 0) {
    Report(TokenProblem::Read, 0, 0, errnum);
    return false;
  }
  m_data = bytes.data();
  m_size = bytes.size();
  m_final = final;
  m_blockValid = false;
  return true;
}

// The field a NUL at `nul` stands in, counted as the line-by-line reader
// counts it: separators outside quotes since the line began, quotes taken
// in turns (until the first record's line is read, commas).
std::size_t DelimitedTokenizer::CrudeField(const Pass& pass, std::size_t nul) const {
  const char separator = pass.line > m_decidedAfter ? m_separator : ',';
  std::size_t from = pass.continued ? static_cast<std::size_t>(pass.lineStart - m_base) : pass.start;
  bool quoted = pass.continued;
  std::size_t count = pass.fieldsAtLine;
  for (; from < nul; ++from) {
    if (m_data[from] == '"') quoted = !quoted;
    count += !quoted && m_data[from] == separator;
  }
  return count + 1;
}

// A problem the parse met at `at`, on the line pass.line, told as the
// line-by-line readers tell it: the record grown too long on an earlier line,
// or a NUL on this one, or (tables) the record growing too long on this one
// before a NUL, come first.
DelimitedTokenizer::Step DelimitedTokenizer::Fail(Pass pass, TokenProblem problem, std::size_t at, std::size_t field) {
  const std::uint64_t max = m_maxRecord;
  std::uint64_t threshold;  // the first byte past the limit, in the source
  if (Table()) {
    const std::uint64_t before = pass.lineStart - pass.recordLineStart - pass.lineEnds;
    if (before > max) return Report(TokenProblem::TooLong, pass.recordLine, 0);
    threshold = pass.lineStart + (max - before);
  } else {
    threshold = pass.recordLineStart + max;
    if (threshold < pass.lineStart) return Report(TokenProblem::TooLong, pass.recordLine, 0);
  }
  const std::size_t end = NulOrLineEnd(m_data, at, m_size);
  if (end == m_size && !m_final) {
    if (m_base + m_size <= threshold) return Step::More;
    if (Table()) return Report(TokenProblem::TooLong, pass.recordLine, 0);
    // The record is too long by this line's end, unless a NUL further on takes the line first.
    bool nul = false;
    if (!NulFurtherOn(nul)) return Step::Failed;
    return nul ? Report(TokenProblem::Nul, pass.line, 0) : Report(TokenProblem::TooLong, pass.recordLine, 0);
  }
  if (end < m_size && m_data[end] == '\0') {
    if (Table() && threshold < m_base + end) return Report(TokenProblem::TooLong, pass.recordLine, 0);
    return Report(TokenProblem::Nul, pass.line, Table() ? CrudeField(pass, end) : 0);
  }
  std::size_t lineEnd = end;  // tables: without the line end; data files: with it
  if (!Table() && end < m_size) {
    if (m_data[end] == '\r' && end + 1 == m_size && !m_final && m_base + end + 1 == threshold) return Step::More;
    lineEnd = end + (m_data[end] == '\r' && end + 1 < m_size && m_data[end + 1] == '\n' ? 2 : 1);
  }
  if (threshold < m_base + lineEnd) return Report(TokenProblem::TooLong, pass.recordLine, 0);
  const long long line = problem == TokenProblem::Quote || problem == TokenProblem::Nul ? pass.line : pass.recordLine;
  if (problem == TokenProblem::Nul && Table()) field = CrudeField(pass, at);
  return Report(problem, line, field);
}

// Reads on past the bytes held, to the end of the line they end in: whether
// a NUL comes first. Nothing read is kept: reading ends here.
bool DelimitedTokenizer::NulFurtherOn(bool& nul) {
  if (m_grow) {
    for (;;) {
      std::string_view bytes;
      bool final = false;
      if (const int errnum = m_grow(bytes, final, false); errnum != 0) {
        Report(TokenProblem::Read, 0, 0, errnum);
        return false;
      }
      const std::size_t end = NulOrLineEnd(bytes.data(), 0, bytes.size());
      if (end < bytes.size() || final) {
        nul = end < bytes.size() && bytes[end] == '\0';
        return true;
      }
    }
  }
  m_data = m_buffer.data();
  for (;;) {
    const long n = m_read(m_buffer.data(), m_buffer.size());
    if (n < 0) {
      Report(TokenProblem::Read, 0, 0, static_cast<int>(-n));
      return false;
    }
    const std::size_t size = static_cast<std::size_t>(n);
    const std::size_t end = NulOrLineEnd(m_buffer.data(), 0, size);
    if (end < size || n == 0) {
      nul = end < size && m_buffer[end] == '\0';
      return true;
    }
  }
}

DelimitedTokenizer::Step DelimitedTokenizer::Report(TokenProblem problem, long long line, std::size_t field,
                                                    int errnum) {
  m_error = TokenError{problem, m_records, line, field, errnum};
  return Step::Failed;
}

std::vector<std::size_t> SplitAtLines(std::string_view bytes, std::size_t begin, std::size_t count) {
  std::vector<std::size_t> starts{begin};
  const std::size_t size = bytes.size() - std::min(begin, bytes.size());
  for (std::size_t k = 1; k < count; ++k) {
    const std::size_t at = std::max(begin + size / count * k, starts.back());
    const void* feed = std::memchr(bytes.data() + at, '\n', bytes.size() - at);
    if (!feed) break;
    const std::size_t next = static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data()) + 1;
    if (next >= bytes.size()) break;
    starts.push_back(next);
  }
  return starts;
}

}  // namespace mirto::data
