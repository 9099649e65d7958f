// Delimited data files. Opening reads the header; each scan reads it again
// (the file may have changed), then the data rows in blocks (DataBlocks) on
// the threads ReadSettings gives, each row visited in file order on the
// caller's thread, so that what a visitor sees does not depend on them.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "data/DataBlocks.h"
#include "data/DataFormats.h"
#include "data/Delimited.h"
#include "data/InOrder.h"
#include "framework/Format.h"
#include "journal/Fd.h"

namespace mirto::data {

namespace {

bool Blank(std::string_view line) { return line.find_first_not_of(" \r\n") == std::string_view::npos; }

// A problem of the tokenizer in the data reader's words.
std::string Told(const TokenError& e) {
  switch (e.problem) {
    case TokenProblem::Nul: return "a NUL byte: this is not a text file";
    case TokenProblem::TooLong: return Format("longer than %zu bytes", kMaxRecordBytes);
    case TokenProblem::TooManyFields: return Format("more than %zu fields", kMaxColumns);
    case TokenProblem::Quote:
      return Format("field %zu: a quote inside a field that is not quoted, or text after a closing quote", e.field);
    case TokenProblem::Unclosed: return "a quoted field is not closed";
    case TokenProblem::Read: return Format("cannot read it: %s", std::strerror(e.errnum));
  }
  return {};
}

// The header is no data row: its problems name its line alone.
DataProblem HeaderProblem(const std::string& path, std::string text, long long line) {
  DataProblem problem = MakeProblem(path, std::move(text), 0, line);
  problem.header = true;
  return problem;
}

struct Header {
  bool found = false;
  std::vector<std::string> names;
  char separator = 0;
  long long line = 1;
  std::uint64_t end = 0;  // where the data rows start
  long long lines = 0;    // lines before them
};

// The first record; the separator found from its line unless given.
std::optional<DataProblem> ReadHeader(const std::string& path, const Fd& fd, char separator, Header& header) {
  DelimitedTokenizer t([&fd](char* buffer, std::size_t size) { return ReadSome(fd, buffer, size); },
                       {.rules = DelimitedRules::DataFile, .separator = separator});
  if (!t.Next()) {
    if (!t.Error()) return std::nullopt;
    const TokenError& e = *t.Error();
    if (e.problem == TokenProblem::Read) return MakeProblem(path, Told(e));
    return HeaderProblem(path, Told(e), e.line);
  }
  header.found = true;
  for (std::size_t i = 0; i < t.Fields(); ++i) header.names.emplace_back(t.Field(i));
  header.separator = t.Separator();
  header.line = t.Line();
  header.end = t.Offset();
  header.lines = t.LinesPassed();
  return std::nullopt;
}

class DelimitedFile final : public DataFile {
 public:
  DelimitedFile(std::string path, std::vector<Variable> variables, char separator)
      : DataFile(std::move(path), std::move(variables)), m_separator(separator) {}

  std::optional<DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const override {
    return ScanConverting(columns, columns.size(), visit);
  }

  std::optional<DataProblem> ScanConverting(std::span<const std::size_t> columns, std::size_t converted,
                                            const Visit& visit) const override {
    long long rows = 0;
    return Read(columns, converted, &visit, nullptr, rows);
  }

  std::optional<DataProblem> ScanRows(std::span<const std::size_t> columns, std::size_t converted,
                                      std::span<const long long> rows, const Visit& visit,
                                      long long& total) const override {
    total = 0;
    return Read(columns, converted, &visit, &rows, total);
  }

  std::optional<DataProblem> Count(long long& rows) const override {
    rows = 0;
    return Read({}, 0, nullptr, nullptr, rows);
  }

  bool Marks() const override { return true; }

  std::optional<DataProblem> ScanMarking(std::span<const std::size_t> columns, std::size_t converted,
                                         const VisitRows& visit, const Mark& mark, FileStamp& stamp) const override {
    long long rows = 0;
    Marking marking{&mark, &stamp, &visit};
    return Read(columns, converted, nullptr, nullptr, rows, &marking);
  }

  std::optional<DataProblem> ReadMarked(std::span<const RowMark> from, std::span<const long long> rows,
                                        std::span<const std::size_t> columns, const Visit& visit,
                                        const FileStamp& stamp) const override;

 private:
  struct Marking {
    const Mark* mark;
    FileStamp* stamp;
    const VisitRows* visit;
  };

  std::optional<DataProblem> Changed() const { return MakeProblem(Path(), "the file changed while it was read"); }

  // The file open, as it stands now, and its header read again; `columns` checked against it.
  std::optional<DataProblem> Open(std::span<const std::size_t> columns, Fd& fd, struct stat& st, Header& header) const {
    for (std::size_t column : columns)
      if (column >= Variables().size()) return MakeProblem(Path(), Format("there is no column %zu", column + 1));
    if (const std::string why = OpenForReading(Path(), fd, true); !why.empty())
      return MakeProblem(Path(), "cannot read it: " + why);
    if (::fstat(fd.get(), &st) != 0) return MakeProblem(Path(), Format("cannot read it: %s", std::strerror(errno)));
    if (auto problem = ReadHeader(Path(), fd, m_separator, header)) return problem;
    if (header.names.size() != Variables().size())
      return HeaderProblem(Path(),
                           Format("the header has changed since the file was opened: %zu fields, not %zu",
                                  header.names.size(), Variables().size()),
                           header.line);
    return std::nullopt;
  }

  static FileStamp StampOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000LL + static_cast<long long>(st.st_mtim.tv_nsec)};
  }

  // The rows visited (`visit`): all, or those `chosen`; or only counted.
  std::optional<DataProblem> Read(std::span<const std::size_t> columns, std::size_t converted, const Visit* visit,
                                  const std::span<const long long>* chosen, long long& rows,
                                  const Marking* marking = nullptr) const {
    Fd fd;
    struct stat st {};
    Header header;
    if (auto problem = Open(columns, fd, st, header)) return problem;
    if (marking) *marking->stamp = StampOf(st);
    const BlockStarts starts = chosen ? BlockStarts::Skim : marking ? BlockStarts::Mark : BlockStarts::None;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const auto map = MappedFile::Map(fd.get(), size);
    const DataBlocks blocks(fd.get(), size, header.end, CurrentReadSettings().blockBytes, m_separator,
                            Variables().size(), columns, converted, starts, map.get());
    auto problem = Rows(blocks, header, visit, chosen, rows, marking, map.get());
    // Zeros stood in for pages the file lost, or it was written to meanwhile: nothing read is to be trusted.
    if (map && map->Changed()) return Changed();
    if (struct stat after{}; ::fstat(fd.get(), &after) == 0 && StampOf(after) != StampOf(st)) return Changed();
    return problem;
  }

  // The rows of the blocks in file order: a block that began inside the
  // last record of the block before is read again from where that ended.
  std::optional<DataProblem> Rows(const DataBlocks& blocks, const Header& header, const Visit* visit,
                                  const std::span<const long long>* chosen, long long& rows, const Marking* marking,
                                  MappedFile* map) const {
    const unsigned threads = ReadThreads();
    std::vector<BlockRows> slots(threads > 1 ? threads + 2 : 1);
    std::optional<DataProblem> problem;
    long long lines = header.lines;
    std::uint64_t expected = header.end;
    BlockRows scratch;
    std::size_t next = 0;
    const auto work = [&](std::size_t k, std::size_t slot) { blocks.Read(k, slots[slot]); };
    const auto take = [&](std::size_t k, std::size_t slot) {
      BlockRows& b = slots[slot];
      if (!b.found || b.begin != expected) blocks.Read(k, b, expected);
      if (map && map->Changed()) return false;
      if (chosen) {
        if (!VisitChosen(blocks, b, *chosen, next, rows, scratch, *visit, problem)) return false;
      } else if (marking) {
        // Rows 1, 1 + kMarkEvery, ...: the first of them in this block, and on.
        const auto every = static_cast<std::size_t>(kMarkEvery);
        for (std::size_t r = (every - static_cast<std::size_t>(rows % kMarkEvery)) % every;
             *marking->mark && r < b.rows; r += every)
          (*marking->mark)({rows + static_cast<long long>(r) + 1, b.origin + b.starts[r]});
        if (b.rows > 0 && !(*marking->visit)(rows + 1, b.rows, b.Rows(blocks.Wanted()))) return false;
      } else {
        for (std::size_t r = 0; visit && r < b.rows; ++r)
          if (!(*visit)(rows + static_cast<long long>(r) + 1, b.Row(r, blocks.Wanted()))) return false;
      }
      if (b.problem) {
        problem = Stopped(*b.problem, rows, lines, header.line);
        rows += static_cast<long long>(b.rows);
        return false;
      }
      rows += static_cast<long long>(b.rows);
      lines += b.lines;
      expected = b.end;
      // Memory stays flat: the pages before this block are not read again (or read back if they are).
      if (map) map->Release(b.origin);
      return true;
    };
    WorkInOrder(blocks.Count(), threads, slots.size(), work, take);
    return problem;
  }

  // The rows of `chosen` from `next` on that the block holds (`rows` before it).
  bool VisitChosen(const DataBlocks& blocks, const BlockRows& b, std::span<const long long> chosen, std::size_t& next,
                   long long rows, BlockRows& scratch, const Visit& visit, std::optional<DataProblem>& problem) const {
    const long long last = rows + static_cast<long long>(b.rows);
    while (next < chosen.size() && chosen[next] <= last) {
      const long long row = chosen[next];
      while (next < chosen.size() && chosen[next] == row) ++next;
      if (row <= rows) continue;
      const auto values = blocks.RowValues(b, static_cast<std::size_t>(row - rows - 1), scratch);
      if (!values) {
        problem = MakeProblem(Path(), "the file changed while it was read", row);
        return false;
      }
      if (!visit(row, *values)) return false;
    }
    return true;
  }

  // `rows` and `lines` before the block.
  DataProblem Stopped(const BlockProblem& p, long long rows, long long lines, long long headerLine) const {
    const long long row = rows + static_cast<long long>(p.error.record) + 1, line = lines + p.error.line;
    if (p.fields)
      return MakeProblem(Path(),
                         Format("%zu field%s, where the header (line %lld) has %zu", *p.fields,
                                *p.fields == 1 ? "" : "s", headerLine, Variables().size()),
                         row, line);
    if (p.error.problem == TokenProblem::Read) return MakeProblem(Path(), Told(p.error));
    return MakeProblem(Path(), Told(p.error), row, line);
  }

  char m_separator;
};

std::optional<DataProblem> DelimitedFile::ReadMarked(std::span<const RowMark> from, std::span<const long long> rows,
                                                     std::span<const std::size_t> columns, const Visit& visit,
                                                     const FileStamp& stamp) const {
  Fd fd;
  struct stat st {};
  Header header;
  if (auto problem = Open(columns, fd, st, header)) return problem;
  if (StampOf(st) != stamp) return Changed();
  const auto size = static_cast<std::uint64_t>(st.st_size);
  const DataBlocks blocks(fd.get(), size, header.end, CurrentReadSettings().blockBytes, m_separator, Variables().size(),
                          columns, 0);
  // Bytes a row, as the marks space them (more are read when a row is longer).
  std::uint64_t perRow = 64;
  if (!from.empty() && from.back().row > from.front().row && from.back().place > from.front().place)
    perRow = (from.back().place - from.front().place) / static_cast<std::uint64_t>(from.back().row - from.front().row);
  BlockRows b;
  for (std::size_t k = 0; k < rows.size();) {
    // The rows of one mark, read in one piece from it.
    const RowMark mark = from[k];
    std::size_t end = k;
    while (end < rows.size() && from[end].row == mark.row) ++end;
    if (rows[k] < mark.row) return Changed();
    const auto needed = static_cast<std::size_t>(rows[end - 1] - mark.row + 1);
    for (std::size_t bytes = static_cast<std::size_t>((needed + needed / 2) * perRow + 64);; bytes *= 2) {
      blocks.ReadFrom(mark.place, bytes, b);
      if (b.rows >= needed || b.problem || mark.place + bytes >= size) break;
    }
    if (b.rows < needed) {
      if (b.problem && b.problem->error.problem == TokenProblem::Read)
        return MakeProblem(Path(), Told(b.problem->error));
      return Changed();
    }
    for (long long last = 0; k < end; ++k) {
      if (rows[k] == last) continue;
      last = rows[k];
      if (!visit(rows[k], b.Row(static_cast<std::size_t>(rows[k] - mark.row), columns.size()))) return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<DataProblem> CheckNames(const std::string& path, const std::vector<std::string>& names, long long line) {
  std::unordered_map<std::string_view, std::size_t> seen;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string_view name = names[i];
    std::string text;
    if (Blank(name))
      text = Format("column %zu has no name", i + 1);
    else if (const auto [it, added] = seen.emplace(name, i); !added)
      text = Format("column %zu repeats the name of column %zu", i + 1, it->second + 1);
    if (text.empty()) continue;
    DataProblem problem = MakeProblem(path, text, 0, line, names[i]);
    problem.header = true;
    return problem;
  }
  return std::nullopt;
}

}  // namespace

std::unique_ptr<DataFile> OpenDelimitedFile(const std::string& path, std::optional<DataProblem>& problem) {
  Fd fd;
  Header header;
  if (const std::string why = OpenForReading(path, fd, true); !why.empty())
    problem = MakeProblem(path, "cannot read it: " + why);
  else if (!(problem = ReadHeader(path, fd, 0, header)) && !header.found)
    problem = MakeProblem(path, "the file is empty: its first line must name the variables");
  if (!problem) problem = CheckNames(path, header.names, header.line);
  if (problem) return nullptr;
  std::vector<Variable> variables;
  variables.reserve(header.names.size());
  for (std::string& name : header.names) variables.push_back(Variable{std::move(name), VariableType::Unknown, {}});
  return std::make_unique<DelimitedFile>(path, std::move(variables), header.separator);
}

}  // namespace mirto::data
