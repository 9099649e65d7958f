// SPSS, Stata and SAS files through ReadStat. Opening reads the variables and
// the value labels (Stata keeps these after the data); a scan has ReadStat
// hand over one value at a time and passes each completed row on, so nothing
// but the labels and one row is kept.
#include <fcntl.h>
#include <readstat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <vector>

#include "data/DataFormats.h"
#include "data/Delimited.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto::data {

namespace {

// What no survey file needs and a corrupt header may claim. ReadStat keeps a
// record of some 2 KB per variable while it parses, whatever is read of it:
// the widest Stata/SE file, at most 70 MB.
constexpr long long kMaxVariables = 32'767;
constexpr std::size_t kMaxLabelBytes = 64u << 20;

const char* FormatName(StatFormat format) {
  switch (format) {
    case StatFormat::Spss: return "SPSS";
    case StatFormat::Stata: return "Stata";
    case StatFormat::Sas: return "SAS";
  }
  return "";
}

readstat_error_t Parse(StatFormat format, readstat_parser_t* parser, const char* path, void* context) {
  switch (format) {
    case StatFormat::Spss: return readstat_parse_sav(parser, path, context);
    case StatFormat::Stata: return readstat_parse_dta(parser, path, context);
    case StatFormat::Sas: return readstat_parse_sas7bdat(parser, path, context);
  }
  return READSTAT_ERROR_PARSE;
}

// The bytes ReadStat reads: a file, or (for the fuzzer) bytes in memory. A
// file is read through a buffer, as ReadStat asks for one row at a time.
struct Source {
  Source(const std::string& name, std::optional<std::string_view> bytes) : path(&name), memory(bytes) {}
  const std::string* path;
  std::optional<std::string_view> memory;
  Fd fd;
  std::size_t at = 0;  // in memory
  std::string why;     // the file could not be opened
  std::vector<char> buffer;
  std::size_t next = 0, end = 0;  // the bytes of `buffer` not yet taken: [next, end)
  long long fdAt = 0;             // where the file is, past the buffered bytes

  static constexpr std::size_t kBuffer = 1 << 16;

  static int Open(const char*, void* self) {
    auto& s = *static_cast<Source*>(self);
    s.at = s.next = s.end = 0;
    s.fdAt = 0;
    if (s.memory) return 0;
    s.buffer.resize(kBuffer);
    s.why = OpenForReading(*s.path, s.fd, true);
    return s.why.empty() ? s.fd.get() : -1;
  }
  static int Close(void* self) { return static_cast<Source*>(self)->fd.Close(); }
  static readstat_off_t Seek(readstat_off_t offset, readstat_io_flags_t whence, void* self) {
    auto& s = *static_cast<Source*>(self);
    const int how = whence == READSTAT_SEEK_SET ? SEEK_SET : whence == READSTAT_SEEK_CUR ? SEEK_CUR : SEEK_END;
    if (!s.memory) return s.SeekFile(offset, how);
    const long long base = how == SEEK_SET   ? 0
                           : how == SEEK_CUR ? static_cast<long long>(s.at)
                                             : static_cast<long long>(s.memory->size());
    if (offset < -base || offset > static_cast<long long>(s.memory->size()) - base) return -1;
    s.at = static_cast<std::size_t>(base + offset);
    return static_cast<readstat_off_t>(s.at);
  }
  static ssize_t Read(void* buffer, std::size_t size, void* self) {
    auto& s = *static_cast<Source*>(self);
    if (!s.memory) return s.ReadFile(static_cast<char*>(buffer), size);
    const std::size_t n = std::min(size, s.memory->size() - s.at);
    if (n > 0) std::memcpy(buffer, s.memory->data() + s.at, n);
    s.at += n;
    return static_cast<ssize_t>(n);
  }

  // Within the buffer a seek moves in it; elsewhere the buffer goes.
  readstat_off_t SeekFile(readstat_off_t offset, int how) {
    const long long bufferAt = fdAt - static_cast<long long>(end);
    const long long target = how == SEEK_SET ? offset : fdAt - static_cast<long long>(end - next) + offset;
    if (how != SEEK_END && target >= bufferAt && target <= fdAt) {
      next = static_cast<std::size_t>(target - bufferAt);
      return target;
    }
    next = end = 0;
    const off_t moved = how == SEEK_END ? ::lseek(fd.get(), offset, SEEK_END) : ::lseek(fd.get(), target, SEEK_SET);
    if (moved >= 0) fdAt = moved;
    return moved;
  }
  // `size` bytes unless the file ends first; -errno if none could be read.
  ssize_t ReadFile(char* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
      if (next == end) {
        const bool direct = size - done >= kBuffer;
        const long n = direct ? ReadSome(fd, out + done, size - done) : ReadSome(fd, buffer.data(), kBuffer);
        if (n <= 0) return done > 0 || n == 0 ? static_cast<ssize_t>(done) : n;
        fdAt += n;
        if (direct) {
          next = end = 0;
          done += static_cast<std::size_t>(n);
          continue;
        }
        next = 0;
        end = static_cast<std::size_t>(n);
      }
      const std::size_t k = std::min(end - next, size - done);
      std::memcpy(out + done, buffer.data() + next, k);
      next += k;
      done += k;
    }
    return static_cast<ssize_t>(done);
  }
  static readstat_error_t Update(long, readstat_progress_handler, void*, void*) { return READSTAT_OK; }
};

// A parser reading `source`, freed with it.
class Parser {
 public:
  explicit Parser(Source& source) : m_parser(readstat_parser_init()) {
    readstat_set_open_handler(m_parser, Source::Open);
    readstat_set_close_handler(m_parser, Source::Close);
    readstat_set_seek_handler(m_parser, Source::Seek);
    readstat_set_read_handler(m_parser, Source::Read);
    readstat_set_update_handler(m_parser, Source::Update);
    readstat_set_io_ctx(m_parser, &source);
  }
  ~Parser() { readstat_parser_free(m_parser); }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;
  readstat_parser_t* get() const { return m_parser; }

 private:
  readstat_parser_t* m_parser;
};

struct LabelSet {
  std::map<double, std::string> numbers;
  std::unordered_map<std::string, std::string> texts;
  std::map<char, std::string> tags;  // Stata's and SAS's .a to .z
};

// What a pass has heard: ReadStat's own account of an error, and ours.
struct Heard {
  std::string detail;
  std::optional<DataProblem> problem;
  static void Error(const char* message, void* self) {
    auto& h = *static_cast<Heard*>(self);
    if (h.detail.empty() && message) {
      h.detail = message;
      while (!h.detail.empty() && (h.detail.back() == '\n' || h.detail.back() == ' ')) h.detail.pop_back();
    }
  }
};

struct Dictionary : Heard {
  std::vector<Variable> variables;
  std::vector<int> labelSetOf;  // per variable, -1: none
  std::vector<LabelSet> sets;
  std::unordered_map<std::string, int> setIndex;
  long long rows = -1;
  std::size_t labelBytes = 0;
  const std::string* path = nullptr;

  std::size_t nameBytes = 256;  // at most, in a label set's name
  bool stata = false;
  std::string weight;  // the declared weight variable

  // ReadStat hands over a Stata label set's name as it stands in the file,
  // unterminated when it fills its field: read no further than the field.
  int Set(const char* labels) {
    const std::string name(labels, strnlen(labels, nameBytes));
    const auto [it, added] = setIndex.emplace(name, static_cast<int>(sets.size()));
    if (added) sets.emplace_back();
    return it->second;
  }
  int Fail(std::string text) {
    problem = MakeProblem(*path, std::move(text));
    return READSTAT_HANDLER_ABORT;
  }

  static int OnMetadata(readstat_metadata_t* metadata, void* self) {
    auto& d = *static_cast<Dictionary*>(self);
    d.rows = readstat_get_row_count(metadata);
    // The field of a label set's name: 9 bytes before format 110, 33 before 118, then 129.
    if (d.stata) {
      const int version = readstat_get_file_format_version(metadata);
      d.nameBytes = version >= 118 ? 129 : version >= 110 ? 33 : 9;
    }
    const long long count = readstat_get_var_count(metadata);
    if (count > kMaxVariables)
      return d.Fail(Format("it declares %lld variables; Mirto reads at most %lld", count, kMaxVariables));
    if (count > 0) d.variables.reserve(static_cast<std::size_t>(count));
    return READSTAT_HANDLER_OK;
  }

  static int OnVariable(int index, readstat_variable_t* variable, const char* labels, void* self) {
    auto& d = *static_cast<Dictionary*>(self);
    if (index != static_cast<int>(d.variables.size()) || d.variables.size() >= kMaxVariables)
      return d.Fail("its variables are out of order");
    const char* name = readstat_variable_get_name(variable);
    const char* label = readstat_variable_get_label(variable);
    d.variables.push_back(Variable{name ? name : "",
                                   readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_STRING
                                       ? VariableType::Text
                                       : VariableType::Numeric,
                                   label ? label : ""});
    d.labelSetOf.push_back(labels && *labels ? d.Set(labels) : -1);
    return READSTAT_HANDLER_OK;
  }

  static int OnWeight(readstat_variable_t* variable, void* self) {
    const char* name = readstat_variable_get_name(variable);
    static_cast<Dictionary*>(self)->weight = name ? name : "";
    return READSTAT_HANDLER_OK;
  }

  static int OnValueLabel(const char* labels, readstat_value_t value, const char* label, void* self) {
    auto& d = *static_cast<Dictionary*>(self);
    if (!labels || !label) return READSTAT_HANDLER_OK;
    d.labelBytes += std::strlen(label) + 16;
    if (d.labelBytes > kMaxLabelBytes)
      return d.Fail(Format("its value labels take more than %zu MB", kMaxLabelBytes >> 20));
    LabelSet& set = d.sets[static_cast<std::size_t>(d.Set(labels))];
    if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
      const char* key = readstat_string_value(value);
      set.texts.emplace(key ? key : "", label);
    } else if (readstat_value_is_tagged_missing(value)) {
      set.tags.emplace(readstat_value_tag(value), label);
    } else if (!readstat_value_is_system_missing(value)) {
      set.numbers.emplace(readstat_double_value(value), label);
    }
    return READSTAT_HANDLER_OK;
  }
};

struct Cell {
  bool missing = false, numeric = false;
  double number = 0;
  std::string own;        // the value's text, where it has no label
  std::string_view text;  // `own`, or the label
  // The label of the value before, as codes come again and again.
  double labelled = 0;
  const std::string* label = nullptr;
};

// A number's shortest text, as to_chars writes it: codes (whole numbers of at
// most four digits, where the plain form is the shortest) without the search
// for the shortest digits.
std::string_view NumberText(double x, char (&digits)[32]) {
  const char* end = digits;
  if (x == std::trunc(x) && std::fabs(x) < 1e4 && !(x == 0 && std::signbit(x)))
    end = std::to_chars(digits, digits + sizeof digits, static_cast<int>(x)).ptr;
  else
    end = std::to_chars(digits, digits + sizeof digits, x).ptr;
  return std::string_view(digits, static_cast<std::size_t>(end - digits));
}

class StatFile;

struct ScanState : Heard {
  const StatFile* file = nullptr;
  const DataFile::Visit* visit = nullptr;
  std::vector<int> slot;  // per variable: its cell, or -1
  std::vector<Cell> cells;
  std::vector<std::size_t> want;
  std::vector<Value> values;
  long long rows = 0;
  bool stopped = false;

  static int OnValue(int, readstat_variable_t* variable, readstat_value_t value, void* self);
};

class StatFile final : public DataFile {
 public:
  StatFile(const std::string& path, StatFormat format, std::optional<std::string_view> memory, Dictionary dictionary)
      : DataFile(path, std::move(dictionary.variables)),
        m_format(format),
        m_memory(memory),
        m_labelSetOf(std::move(dictionary.labelSetOf)),
        m_sets(std::move(dictionary.sets)),
        m_rows(dictionary.rows),
        m_weight(std::move(dictionary.weight)) {}

  std::string Weight() const override { return m_weight; }
  bool HasValueLabels() const override { return !m_sets.empty(); }

  std::optional<DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const override {
    ScanState state;
    state.file = this;
    state.visit = &visit;
    state.slot.assign(Variables().size(), -1);
    for (std::size_t column : columns) {
      if (column >= Variables().size()) return MakeProblem(Path(), Format("there is no variable %zu", column + 1));
      if (state.slot[column] < 0) {
        state.slot[column] = static_cast<int>(state.cells.size());
        state.cells.emplace_back();
      }
      state.want.push_back(static_cast<std::size_t>(state.slot[column]));
    }
    state.values.resize(columns.size());
    Source source(Path(), m_memory);
    Parser parser(source);
    readstat_set_value_handler(parser.get(), ScanState::OnValue);
    // Without a variable handler this ReadStat reads past its own table of variables.
    readstat_set_variable_handler(parser.get(), [](int, readstat_variable_t*, const char*, void*) {
      return static_cast<int>(READSTAT_HANDLER_OK);
    });
    readstat_set_error_handler(parser.get(), Heard::Error);
    const readstat_error_t error = Parse(m_format, parser.get(), Path().c_str(), &state);
    if (state.problem) return state.problem;
    if (error != READSTAT_OK && !(state.stopped && error == READSTAT_ERROR_USER_ABORT))
      return Failure(Path(), m_format, source, error, state, state.rows + 1);
    if (!state.stopped && m_rows >= 0 && state.rows != m_rows)
      return MakeProblem(Path(), Format("the file holds %lld rows, not the %lld it declares: it may be cut short",
                                        state.rows, m_rows));
    return std::nullopt;
  }

  static DataProblem Failure(const std::string& path, StatFormat format, const Source& source, readstat_error_t error,
                             const Heard& heard, long long row) {
    if (!source.why.empty()) return MakeProblem(path, "cannot read it: " + source.why);
    std::string text = Format("not a readable %s file: %s", FormatName(format), readstat_error_message(error));
    if (!heard.detail.empty()) text += " (" + Excerpt(heard.detail, 200, 40) + ")";
    return MakeProblem(path, text, row);
  }

  // The value as the visitor sees it, labelled where its variable's set says so.
  void Fill(std::size_t variable, readstat_variable_t* info, readstat_value_t value, Cell& cell) const {
    const int set = m_labelSetOf[variable];
    const LabelSet* labels = set >= 0 ? &m_sets[static_cast<std::size_t>(set)] : nullptr;
    cell.missing = readstat_value_is_missing(value, info) != 0;
    const std::string* label = nullptr;
    if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
      const char* text = readstat_string_value(value);
      cell.numeric = false;
      cell.own = text ? text : "";
      cell.missing = cell.missing || cell.own.find_first_not_of(' ') == std::string::npos;
      if (labels)
        if (const auto it = labels->texts.find(cell.own); it != labels->texts.end()) label = &it->second;
    } else {
      cell.number = readstat_double_value(value);
      cell.numeric = !cell.missing && std::isfinite(cell.number);
      cell.missing = cell.missing || !std::isfinite(cell.number);
      if (labels && readstat_value_is_tagged_missing(value)) {
        if (const auto it = labels->tags.find(readstat_value_tag(value)); it != labels->tags.end()) label = &it->second;
      } else if (labels && cell.label && cell.number == cell.labelled) {
        label = cell.label;
      } else if (labels) {
        if (const auto it = labels->numbers.find(cell.number); it != labels->numbers.end()) label = &it->second;
        cell.labelled = cell.number;
        cell.label = label;
      }
      if (!label) {
        char digits[32];
        cell.own = cell.numeric ? NumberText(cell.number, digits) : std::string_view();
      }
    }
    cell.text = label ? std::string_view(*label) : std::string_view(cell.own);
  }

 private:
  StatFormat m_format;
  std::optional<std::string_view> m_memory;
  std::vector<int> m_labelSetOf;
  std::vector<LabelSet> m_sets;
  long long m_rows;
  std::string m_weight;
};

int ScanState::OnValue(int, readstat_variable_t* variable, readstat_value_t value, void* self) {
  auto& s = *static_cast<ScanState*>(self);
  const int index = readstat_variable_get_index(variable);
  const std::size_t count = s.slot.size();
  if (index < 0 || static_cast<std::size_t>(index) >= count) {
    s.problem = MakeProblem(s.file->Path(), "a value of a variable the file does not declare", s.rows + 1);
    return READSTAT_HANDLER_ABORT;
  }
  const auto i = static_cast<std::size_t>(index);
  if (s.slot[i] >= 0) s.file->Fill(i, variable, value, s.cells[static_cast<std::size_t>(s.slot[i])]);
  if (i + 1 < count) return READSTAT_HANDLER_OK;
  for (std::size_t k = 0; k < s.want.size(); ++k) {
    const Cell& cell = s.cells[s.want[k]];
    s.values[k] = Value{cell.missing, cell.numeric, cell.number, cell.text};
  }
  if ((*s.visit)(++s.rows, s.values)) return READSTAT_HANDLER_OK;
  s.stopped = true;
  return READSTAT_HANDLER_ABORT;
}

// A Stata file of the XML-like kinds ends with its closing tag; ReadStat
// takes one cut short in its value labels, which follow the data, as whole.
bool CutShort(Source& source) {
  constexpr std::string_view kOpen = "<stata_dta>", kClose = "</stata_dta>";
  char head[kOpen.size()], tail[kClose.size()];
  if (Source::Open(nullptr, &source) < 0) return false;  // told by the parse
  const bool tagged =
      Source::Read(head, sizeof head, &source) == sizeof head && kOpen == std::string_view(head, sizeof head);
  const bool closed = Source::Seek(-static_cast<readstat_off_t>(sizeof tail), READSTAT_SEEK_END, &source) >= 0 &&
                      Source::Read(tail, sizeof tail, &source) == sizeof tail &&
                      kClose == std::string_view(tail, sizeof tail);
  Source::Close(&source);
  return tagged && !closed;
}

std::unique_ptr<DataFile> Open(const std::string& path, StatFormat format, std::optional<std::string_view> memory,
                               std::optional<DataProblem>& problem) {
  Dictionary dictionary;
  dictionary.path = &path;
  dictionary.stata = format == StatFormat::Stata;
  Source source(path, memory);
  Parser parser(source);
  readstat_set_metadata_handler(parser.get(), Dictionary::OnMetadata);
  readstat_set_variable_handler(parser.get(), Dictionary::OnVariable);
  readstat_set_value_label_handler(parser.get(), Dictionary::OnValueLabel);
  readstat_set_fweight_handler(parser.get(), Dictionary::OnWeight);
  readstat_set_error_handler(parser.get(), Heard::Error);
  const readstat_error_t error = Parse(format, parser.get(), path.c_str(), &dictionary);
  if (dictionary.problem)
    problem = dictionary.problem;
  else if (error != READSTAT_OK)
    problem = StatFile::Failure(path, format, source, error, dictionary, 0);
  else if (format == StatFormat::Stata && CutShort(source))
    problem = MakeProblem(path, "the file ends before its closing tag: it is cut short");
  else if (dictionary.variables.empty())
    problem = MakeProblem(path, "it holds no variables");
  if (problem) return nullptr;
  return std::make_unique<StatFile>(path, format, memory, std::move(dictionary));
}

}  // namespace

std::unique_ptr<DataFile> OpenStatFile(const std::string& path, StatFormat format,
                                       std::optional<DataProblem>& problem) {
  return Open(path, format, std::nullopt, problem);
}

std::unique_ptr<DataFile> OpenStatBytes(std::string_view bytes, const std::string& name, StatFormat format,
                                        std::optional<DataProblem>& problem) {
  return Open(name, format, bytes, problem);
}

}  // namespace mirto::data
