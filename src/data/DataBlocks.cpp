#include "data/DataBlocks.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/CellNumbers.h"
#include "data/DelimitedBlocks.h"

namespace mirto::data {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
// Read past a block's bound, for its last record (no more than the block
// itself); a longer one has more read.
constexpr std::size_t kSlack = 1 << 14;

// [offset, offset + size) of the file into `into`: the count read (short at
// the end of the file), or -errno.
long ReadAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, into + got, size - got, static_cast<off_t>(offset + got));
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -static_cast<long>(errno != 0 ? errno : EIO);
    got += static_cast<std::size_t>(n);
  }
  return static_cast<long>(got);
}

// The first line start in [from, to) of `bytes` (from >= 1), or kNone: after
// an LF, or after a CR no LF follows, as the tokenizer ends lines.
std::size_t LineStart(std::string_view bytes, std::size_t from, std::size_t to) {
  to = std::min(to, bytes.size() + 1);
  for (std::size_t i = from; i < to; ++i) {
    const char before = bytes[i - 1];
    if (before == '\n' || (before == '\r' && (i == bytes.size() || bytes[i] != '\n'))) return i;
  }
  return kNone;
}

// Room for `size` bytes in `piece`, its bytes not kept.
char* Room(BlockRows::Piece& piece, std::size_t size) {
  if (piece.capacity < size) {
    piece.bytes = std::make_unique_for_overwrite<char[]>(size);
    piece.capacity = size;
  }
  return piece.bytes.get();
}

// A cell as the quick loop reads it: on AVX2, a plain decimal at once.
template <class Search>
[[gnu::always_inline]] inline void ReadCellIn(std::string_view cell, bool read, const char* readable, Value& value) {
#ifdef MIRTO_X86_BLOCKS
  if constexpr (std::is_same_v<Search, blocks::Avx2>)
    if (read) return ReadCellAvx2(cell, readable, value);
#endif
  ReadCellOrKeep(cell, read, value);
}

// Plain records from `at` on, split field by field at the separators and
// line ends the block search finds: where the first record that is not plain
// starts (or `stop`, or the end of the bytes held). Rows go into `out` as
// the tokenizer would give them.
template <class Search>
[[gnu::always_inline]] inline std::size_t PlainRecords(const DataBlocks::Plain& plan, BlockRows& out,
                                                       std::size_t wanted, std::string_view bytes, std::size_t at,
                                                       std::size_t stop, bool final) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size(), width = plan.slot.size();
  const char sep = plan.separator;
  const auto blank = [&](char c) { return c == ' ' || (c == '\t' && plan.tabs); };
  std::size_t base = at;
  std::uint64_t mask = 0;
  // Inlined, so that the block search is built for the caller's processor.
  const auto load = [&](std::size_t from) __attribute__((always_inline)) {
    base = from;
    mask = size - from >= blocks::kBlock ? Search::Specials(data + from, sep)
           : from < size                 ? blocks::TailSpecials<Search>(data + from, size - from, sep)
                                         : 0;
  };
  load(at);
  while (at < stop && at < size && !blank(data[at]) && data[at] != '\n' && data[at] != '\r') {
    Value* row = out.NextRow(wanted);
    std::size_t column = 0, field = at, next = 0;
    for (;;) {
      while (mask == 0 && base + blocks::kBlock < size) load(base + blocks::kBlock);
      if (mask == 0) return at;  // the record runs past the bytes held
      const std::size_t q = base + static_cast<std::size_t>(std::countr_zero(mask));
      mask &= mask - 1;
      const char c = data[q];
      if (c == '"' || c == '\0' || column == width) return at;
      if (const int s = plan.slot[column++]; s >= 0) {
        std::size_t from = field, to = q;
        while (from < to && blank(data[from])) ++from;
        while (to > from && blank(data[to - 1])) --to;
        ReadCellIn<Search>(std::string_view(data + from, to - from), static_cast<std::size_t>(s) < plan.converted,
                           data + size, row[s]);
      }
      field = q + 1;
      if (c == sep) continue;
      next = q + 1;
      if (c == '\r' && next == size && !final) return at;
      if (c == '\r' && next < size && data[next] == '\n') ++next;
      break;
    }
    if (column != width || next - at > plan.maxRecord) return at;
    for (const auto& [to, from] : plan.twins) row[to] = row[from];
    if (plan.starts) out.starts.push_back(at);
    ++out.rows;
    at = next;
    if (next - base < blocks::kBlock)
      mask &= ~std::uint64_t{0} << (next - base);
    else
      load(next);
  }
  return at;
}

// The same records only counted (no column asked for): a record's fields are
// the separators before its line end, counted a block at a time.
template <class Search>
[[gnu::always_inline]] inline std::size_t CountRecords(const DataBlocks::Plain& plan, BlockRows& out,
                                                       std::string_view bytes, std::size_t at, std::size_t stop,
                                                       bool final) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size(), width = plan.slot.size();
  const auto blank = [&](char c) { return c == ' ' || (c == '\t' && plan.tabs); };
  std::size_t base = at;
  blocks::Classes bits;
  const auto load = [&](std::size_t from) __attribute__((always_inline)) {
    base = from;
    bits = size - from >= blocks::kBlock ? Search::Split(data + from, plan.separator)
           : from < size                 ? blocks::TailClasses<Search>(data + from, size - from, plan.separator)
                                         : blocks::Classes{};
  };
  load(at);
  while (at < stop && at < size && !blank(data[at]) && data[at] != '\n' && data[at] != '\r') {
    std::size_t fields = 1;
    while (bits.ends == 0) {
      if (base + blocks::kBlock >= size) return at;  // the record runs past the bytes held
      fields += static_cast<std::size_t>(std::popcount(bits.separators));
      load(base + blocks::kBlock);
    }
    const int end = std::countr_zero(bits.ends);
    fields += static_cast<std::size_t>(std::popcount(bits.separators & ((std::uint64_t{1} << end) - 1)));
    const std::size_t q = base + static_cast<std::size_t>(end);
    const char c = data[q];
    if (c == '"' || c == '\0' || fields != width) return at;
    std::size_t next = q + 1;
    if (c == '\r' && next == size && !final) return at;
    if (c == '\r' && next < size && data[next] == '\n') ++next;
    if (next - at > plan.maxRecord) return at;
    if (plan.starts) out.starts.push_back(at);
    ++out.rows;
    at = next;
    if (next - base < blocks::kBlock) {
      const std::uint64_t after = ~std::uint64_t{0} << (next - base);
      bits.separators &= after;
      bits.ends &= after;
    } else {
      load(next);
    }
  }
  return at;
}

template <class Search>
[[gnu::always_inline]] inline std::size_t Records(const DataBlocks::Plain& plan, BlockRows& out, std::size_t wanted,
                                                  std::string_view bytes, std::size_t at, std::size_t stop,
                                                  bool final) {
  if (plan.counted) return CountRecords<Search>(plan, out, bytes, at, stop, final);
  return PlainRecords<Search>(plan, out, wanted, bytes, at, stop, final);
}

using PlainLoop = std::size_t (*)(const DataBlocks::Plain&, BlockRows&, std::size_t, std::string_view, std::size_t,
                                  std::size_t, bool);

// Built for AVX2 as a whole, so that its block search is inlined.
#ifdef MIRTO_X86_BLOCKS
__attribute__((target("avx2"))) std::size_t PlainAvx2(const DataBlocks::Plain& plan, BlockRows& out, std::size_t wanted,
                                                      std::string_view bytes, std::size_t at, std::size_t stop,
                                                      bool final) {
  return Records<blocks::Avx2>(plan, out, wanted, bytes, at, stop, final);
}
std::size_t PlainSse2(const DataBlocks::Plain& plan, BlockRows& out, std::size_t wanted, std::string_view bytes,
                      std::size_t at, std::size_t stop, bool final) {
  return Records<blocks::Sse2>(plan, out, wanted, bytes, at, stop, final);
}
#else
std::size_t PlainPortable(const DataBlocks::Plain& plan, BlockRows& out, std::size_t wanted, std::string_view bytes,
                          std::size_t at, std::size_t stop, bool final) {
  return Records<blocks::Portable>(plan, out, wanted, bytes, at, stop, final);
}
#endif

PlainLoop BestPlainLoop() {
#ifdef MIRTO_X86_BLOCKS
  return __builtin_cpu_supports("avx2") ? PlainAvx2 : PlainSse2;
#else
  return PlainPortable;
#endif
}

std::size_t SplitPlain(const DataBlocks::Plain& plan, BlockRows& out, std::size_t wanted, std::string_view bytes,
                       std::size_t at, std::size_t stop, bool final) {
  static const PlainLoop loop = BestPlainLoop();
  return loop(plan, out, wanted, bytes, at, stop, final);
}

}  // namespace

void BlockRows::Grow(std::size_t needed, std::size_t kept) {
  m_capacity = std::max({needed, 2 * m_capacity, std::size_t{1024}});
  auto values = std::make_unique<Value[]>(m_capacity);
  std::copy(m_values.get(), m_values.get() + kept, values.get());
  m_values = std::move(values);
}

DataBlocks::DataBlocks(int fd, std::uint64_t size, std::uint64_t start, std::size_t blockBytes, char separator,
                       std::size_t width, std::span<const std::size_t> columns, std::size_t converted,
                       BlockStarts starts, const MappedFile* map)
    : m_fd(fd),
      m_map(map && map->Size() == size ? map : nullptr),
      m_size(size),
      m_start(start),
      m_blockBytes(std::max<std::size_t>(blockBytes, 1)),
      m_count(size > start ? static_cast<std::size_t>((size - start + m_blockBytes - 1) / m_blockBytes) : 0),
      m_options{.rules = DelimitedRules::DataFile, .separator = separator},
      m_width(width),
      m_columns(columns.begin(), columns.end()),
      m_mark(starts == BlockStarts::Mark) {
  m_plain.separator = separator;
  m_plain.tabs = separator != '\t';
  m_plain.maxRecord = m_options.maxRecordBytes;
  m_plain.converted = converted;
  m_plain.slot.assign(width, -1);
  for (std::size_t i = 0; i < m_columns.size(); ++i) {
    if (m_columns[i] >= width) continue;  // never: the file checks them
    int& slot = m_plain.slot[m_columns[i]];
    if (slot < 0)
      slot = static_cast<int>(i);
    else
      m_plain.twins.emplace_back(i, static_cast<std::size_t>(slot));
  }
  m_plain.counted = m_columns.empty();
  m_plain.starts = m_mark;
  if (starts == BlockStarts::Skim) {
    m_skim = m_plain;
    m_skim->slot.assign(width, -1);
    m_skim->twins.clear();
    m_skim->starts = true;
    m_skim->counted = true;
  }
}

void BlockRows::Clear() {
  found = false;
  rows = 0;
  lines = 0;
  problem.reset();
  copies.clear();
  skimmed = 0;
  starts.clear();
  pieces.resize(1);
}

void DataBlocks::Read(std::size_t k, BlockRows& out, std::optional<std::uint64_t> from) const {
  out.Clear();
  const bool last = k + 1 == m_count;
  const std::uint64_t next = Bound(k + 1);
  if (k == 0 && !from) from = m_start;
  if (from) {
    out.begin = out.end = *from;
    out.found = true;
    if (!last && *from >= next) return;  // the block before ran past this one
  }
  // The piece starts a byte early: whether a line starts at the block's bound shows.
  const std::uint64_t origin = (from ? *from : Bound(k)) - 1;
  out.origin = origin;
  const std::size_t asked =
      static_cast<std::size_t>((last ? m_size + 1 : next + std::min(kSlack, m_blockBytes)) - origin);
  const char* bytes = Bytes(out, origin, asked);
  if (!bytes) return;
  const std::size_t held = m_map ? std::min<std::size_t>(asked, m_size - origin) : out.held;
  std::size_t begin = 1;
  if (!from) {
    begin = LineStart(std::string_view(bytes, held), 1, static_cast<std::size_t>(next - origin));
    if (begin == kNone) return;
    out.found = true;
    out.begin = origin + begin;
  }
  Parse(out, origin, begin, last ? kNone : static_cast<std::size_t>(next - origin), held, held < asked);
}

const char* DataBlocks::Bytes(BlockRows& out, std::uint64_t origin, std::size_t asked) const {
  if (m_map) return out.first = m_map->Bytes() + origin;
  char* bytes = Room(out.pieces[0], asked);
  const long n = ReadAt(m_fd, bytes, asked, origin);
  if (n < 0) {
    out.problem = BlockProblem{TokenError{TokenProblem::Read, 0, 0, 0, static_cast<int>(-n)}, std::nullopt};
    return nullptr;
  }
  out.held = static_cast<std::size_t>(n);
  return out.first = bytes;
}

void DataBlocks::Parse(BlockRows& out, std::uint64_t origin, std::size_t begin, std::size_t stop, std::size_t held,
                       bool final) const {
  std::string_view current(out.first, held);
  std::vector<char> onward;  // bytes read on past a record too long, not kept
  std::uint64_t further = 0;
  // A record past the piece: a piece twice as large, the bytes held copied (the
  // values of the records before keep pointing into the first).
  GrowBytes grow = [&](std::string_view& bytes, bool& reached, bool keep) {
    if (!keep) {
      if (onward.empty()) onward.resize(kSlack), further = origin + current.size();
      const long n = ReadAt(m_fd, onward.data(), onward.size(), further);
      if (n < 0) return static_cast<int>(-n);
      further += static_cast<std::uint64_t>(n);
      reached = static_cast<std::size_t>(n) < onward.size();
      bytes = std::string_view(onward.data(), static_cast<std::size_t>(n));
      return 0;
    }
    BlockRows::Piece& piece = out.pieces.emplace_back();
    const std::size_t size = 2 * bytes.size() + kSlack;
    char* into = Room(piece, size);
    std::memcpy(into, bytes.data(), bytes.size());
    const long n = ReadAt(m_fd, into + bytes.size(), size - bytes.size(), origin + bytes.size());
    if (n < 0) return static_cast<int>(-n);
    reached = static_cast<std::size_t>(n) < size - bytes.size();
    bytes = current = std::string_view(into, bytes.size() + static_cast<std::size_t>(n));
    return 0;
  };
  const std::size_t wanted = m_columns.size();
  // Each plain record is one line: the tokenizer counts on from there.
  const std::size_t before = out.rows;
  begin = SplitPlain(m_skim ? *m_skim : m_plain, out, m_skim ? 0 : wanted, current, begin, stop, final);
  const std::size_t plainRows = out.rows - before;
  if (m_skim) {
    out.skimmed = out.rows;
    out.held = held;
    out.final = final;
  }
  const long long plainLines = static_cast<long long>(plainRows);
  DelimitedTokenizer t(current, final, std::move(grow), m_options, begin, stop);
  t.Want(m_columns);
  const auto fromBlockStart = [&](TokenError e) {
    e.record += plainRows;
    if (e.line > 0) e.line += plainLines;
    return e;
  };
  for (std::size_t from = t.Offset(); t.Next(); from = t.Offset()) {
    if (m_mark) out.starts.push_back(from);
    if (t.Fields() != m_width) {
      out.problem = BlockProblem{fromBlockStart({TokenProblem::TooManyFields, t.Record(), t.Line(), 0, 0}), t.Fields()};
      break;
    }
    Value* row = out.NextRow(wanted);
    for (std::size_t i = 0; i < wanted; ++i) {
      std::string_view field = t.Field(i);
      // A quoted field undone lives in the tokenizer until its next record.
      if (!field.empty() && (field.data() < current.data() || field.data() >= current.data() + current.size()))
        field = out.copies.emplace_back(field);
      ReadCellOrKeep(field, i < m_plain.converted, row[i]);
    }
    ++out.rows;
  }
  if (!out.problem && t.Error()) out.problem = BlockProblem{fromBlockStart(*t.Error()), std::nullopt};
  out.end = origin + t.Offset();
  out.lines = plainLines + t.LinesPassed();
}

void DataBlocks::ReadFrom(std::uint64_t place, std::size_t bytes, BlockRows& out) const {
  out.Clear();
  out.found = true;
  out.begin = out.end = place;
  // A byte early, as blocks are read, and a little past the range for its last record.
  const std::uint64_t origin = out.origin = place - 1;
  const std::size_t asked =
      static_cast<std::size_t>(std::min<std::uint64_t>(bytes + 1 + bytes / 2 + 512, m_size + 1 - origin));
  if (!Bytes(out, origin, asked)) return;
  const std::size_t held = m_map ? std::min<std::size_t>(asked, m_size - origin) : out.held;
  Parse(out, origin, 1, std::min(held, bytes + 1), held, held < asked);
}

std::optional<std::span<const Value>> DataBlocks::RowValues(const BlockRows& block, std::size_t row,
                                                            BlockRows& scratch) const {
  if (row >= block.skimmed) return block.Row(row, Wanted());
  scratch.rows = 0;
  const std::size_t at = block.starts[row];
  SplitPlain(m_plain, scratch, Wanted(), std::string_view(block.first, block.held), at, at + 1, block.final);
  if (scratch.rows != 1) return std::nullopt;
  return scratch.Row(0, Wanted());
}

}  // namespace mirto::data
