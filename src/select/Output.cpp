#include "select/Output.h"

#include <fcntl.h>
#include <readstat.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/Results.h"
#include "journal/Excerpt.h"

namespace mirto::select {

StagedFile::~StagedFile() {
  if (!m_temporary.empty()) ::unlink((m_committed ? m_target : m_temporary).c_str());
}

void StagedFile::Keep() { m_temporary.clear(); }

std::optional<std::string> StagedFile::Failed(const char* what) const {
  return "cannot write " + PathExcerpt(m_target) + ": " + what;
}

std::optional<std::string> StagedFile::Open(const std::string& target) {
  m_target = target;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + "." + name + ".mirto-XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return Failed(std::strerror(errno));
  m_fd.reset(fd);
  m_temporary = pattern;
  // The mode a new file gets (mkostemp makes it private).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  return std::nullopt;
}

std::optional<std::string> StagedFile::Flush() {
  std::string_view rest = m_buffer;
  while (!rest.empty()) {
    const ssize_t n = ::write(m_fd.get(), rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed(n < 0 ? std::strerror(errno) : "nothing written");
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  m_buffer.clear();
  return std::nullopt;
}

std::optional<std::string> StagedFile::Write(std::string_view bytes) {
  m_buffer.append(bytes);
  return m_buffer.size() >= (1 << 16) ? Flush() : std::nullopt;
}

std::optional<std::string> StagedFile::Finish() {
  if (auto bad = Flush()) return bad;
  if (::fsync(m_fd.get()) != 0 || m_fd.Close() != 0) return Failed(std::strerror(errno));
  return std::nullopt;
}

std::optional<std::string> StagedFile::Commit() {
  if (m_temporary.empty()) return std::nullopt;
  if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return Failed(std::strerror(errno));
  m_committed = true;
  return std::nullopt;
}

std::optional<SampleFormat> FormatOf(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return std::nullopt;
  std::string ext(path.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "csv") return SampleFormat::Csv;
  if (ext == "tsv" || ext == "txt") return SampleFormat::Tsv;
  if (ext == "sav") return SampleFormat::Sav;
  if (ext == "zsav") return SampleFormat::Zsav;
  if (ext == "dta") return SampleFormat::Dta;
  return std::nullopt;
}

void SampleRow::Keep(std::span<const data::Value> values) {
  text.clear();
  cells.resize(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const data::Value v = data::Completed(values[i]);
    cells[i] = {v.number, static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(v.text.size()), v.missing,
                v.numeric};
    text.append(v.text);
  }
}

std::string CellText(const data::Variable& variable, const data::Value& value) {
  if (variable.type == data::VariableType::Numeric) return value.missing ? "" : NumberText(value.number);
  return std::string(value.text);
}

std::string CsvLine(const std::vector<std::string>& fields, char separator) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += separator;
    const std::string& f = fields[i];
    if (f.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) {
      line += f;
      continue;
    }
    line += '"';
    for (char c : f) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line + '\n';
}

namespace {

data::Value ValueOf(const SampleRow& row, std::size_t c) {
  const KeptCell& k = row.cells[c];
  return {k.missing, k.numeric, k.number, row.Text(c)};
}

std::optional<std::string> WriteDelimited(StagedFile& file, char separator, const SampleColumns& columns,
                                          const std::vector<SampleRow>& rows) {
  std::vector<std::string> fields;
  for (const data::Variable& v : columns.frame) fields.push_back(v.name);
  for (const std::string& name : columns.added) fields.push_back(name);
  if (auto bad = file.Write(CsvLine(fields, separator))) return bad;
  for (const SampleRow& row : rows) {
    fields.clear();
    for (std::size_t c = 0; c < columns.frame.size(); ++c)
      fields.push_back(CellText(columns.frame[c], ValueOf(row, c)));
    for (double x : row.added) fields.push_back(NumberText(x));
    if (auto bad = file.Write(CsvLine(fields, separator))) return bad;
  }
  return std::nullopt;
}

// A column of a delimited frame is numeric in the file written when every
// drawn unit has a number or nothing there.
bool Numeric(const data::Variable& v, std::size_t c, const std::vector<SampleRow>& rows) {
  if (v.type != data::VariableType::Unknown) return v.type == data::VariableType::Numeric;
  return std::all_of(rows.begin(), rows.end(),
                     [&](const SampleRow& r) { return r.cells[c].missing || r.cells[c].numeric; });
}

struct Writer {
  readstat_writer_t* w = readstat_writer_init();
  StagedFile* file = nullptr;
  std::optional<std::string> failure;
  ~Writer() { readstat_writer_free(w); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  explicit Writer(StagedFile& f) : file(&f) {
    readstat_set_data_writer(w, [](const void* data, std::size_t size, void* self) -> ssize_t {
      auto* me = static_cast<Writer*>(self);
      if (!me->failure) me->failure = me->file->Write({static_cast<const char*>(data), size});
      return me->failure ? -1 : static_cast<ssize_t>(size);
    });
  }
};

std::optional<std::string> WriteStat(StagedFile& file, SampleFormat format, const SampleColumns& columns,
                                     const std::vector<SampleRow>& rows) {
  Writer out(file);
  std::vector<readstat_variable_t*> vars;
  std::vector<bool> numeric;
  for (std::size_t c = 0; c < columns.frame.size(); ++c) {
    const data::Variable& v = columns.frame[c];
    if (v.name.empty() || v.name.find('\0') != std::string::npos)
      return "column " + std::to_string(c + 1) + " of the frame has no name the file can hold";
    numeric.push_back(Numeric(v, c, rows));
    std::size_t width = 1;
    if (!numeric.back())
      for (const SampleRow& r : rows) width = std::max<std::size_t>(width, r.cells[c].length);
    if (format == SampleFormat::Dta && width > 2045)
      return "the values of " + v.name + " are longer than a Stata file takes (2045 bytes)";
    vars.push_back(readstat_add_variable(out.w, v.name.c_str(),
                                         numeric.back() ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_STRING, width));
    if (!v.label.empty()) readstat_variable_set_label(vars.back(), v.label.c_str());
  }
  for (const std::string& name : columns.added)
    vars.push_back(readstat_add_variable(out.w, name.c_str(), READSTAT_TYPE_DOUBLE, 0));
  if (format == SampleFormat::Zsav) readstat_writer_set_compression(out.w, READSTAT_COMPRESS_BINARY);
  const long count = static_cast<long>(rows.size());
  readstat_error_t e = format == SampleFormat::Dta ? readstat_begin_writing_dta(out.w, &out, count)
                                                   : readstat_begin_writing_sav(out.w, &out, count);
  auto fail = [&](readstat_error_t error, const std::string& what) -> std::optional<std::string> {
    if (out.failure) return out.failure;
    return what + readstat_error_message(error);
  };
  if (e != READSTAT_OK) return fail(e, "");
  for (std::size_t c = 0; c < vars.size(); ++c)
    if ((e = readstat_validate_variable(out.w, vars[c])) != READSTAT_OK) {
      const std::string& name =
          c < columns.frame.size() ? columns.frame[c].name : columns.added[c - columns.frame.size()];
      return fail(e, "the variable " + name + ": ");
    }
  for (const SampleRow& row : rows) {
    readstat_begin_row(out.w);
    for (std::size_t c = 0; c < columns.frame.size(); ++c) {
      const KeptCell& k = row.cells[c];
      if (numeric[c])
        e = k.missing || !k.numeric ? readstat_insert_missing_value(out.w, vars[c])
                                    : readstat_insert_double_value(out.w, vars[c], k.number);
      else
        e = readstat_insert_string_value(out.w, vars[c], k.missing ? "" : std::string(row.Text(c)).c_str());
      if (e != READSTAT_OK) return fail(e, "");
    }
    for (std::size_t a = 0; a < row.added.size(); ++a)
      readstat_insert_double_value(out.w, vars[columns.frame.size() + a], row.added[a]);
    if ((e = readstat_end_row(out.w)) != READSTAT_OK) return fail(e, "");
  }
  if ((e = readstat_end_writing(out.w)) != READSTAT_OK) return fail(e, "");
  return out.failure;
}

}  // namespace

std::optional<std::string> WriteSample(StagedFile& file, SampleFormat format, const SampleColumns& columns,
                                       const std::vector<SampleRow>& rows) {
  if (format == SampleFormat::Csv || format == SampleFormat::Tsv)
    return WriteDelimited(file, format == SampleFormat::Csv ? ',' : '\t', columns, rows);
  return WriteStat(file, format, columns, rows);
}

}  // namespace mirto::select
