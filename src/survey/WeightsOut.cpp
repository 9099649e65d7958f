// `weights out=PATH`: the file's rows with every column as it was and the
// calibrated weights after them (the full-sample weight, then each replicate
// weight), as CSV or TSV written here, or SPSS and Stata files through
// ReadStat's writer. The rows stream from the data file to a temporary file
// beside the target, which takes the target's place only when all is written.
#include "survey/WeightsOut.h"

#include <readstat.h>

#include <algorithm>

#include "framework/Format.h"
#include "framework/Results.h"
#include "journal/Excerpt.h"

namespace mirto::survey {

using data::DataFile;
using data::Value;

namespace {

// A name for an added column that no column of the file has.
std::string Unused(const DataFile& file, const std::vector<std::string>& added, const std::string& base) {
  for (int n = 1;; ++n) {
    const std::string name = base + "_cal" + (n == 1 ? std::string() : std::to_string(n));
    const auto same = [&](const std::string& other) { return other == name; };
    bool taken = std::any_of(added.begin(), added.end(), same);
    for (const data::Variable& v : file.Variables()) taken = taken || v.name == name;
    if (!taken) return name;
  }
}

class Weigher {
 public:
  Weigher(const DataFile& file, const Design& d, const Calibration& c) : m_d(d), m_c(c) {
    for (std::size_t i = 0; i < file.Variables().size(); ++i) m_columns.push_back(i);
    m_names.push_back(Unused(file, m_names, file.Variables()[d.weight].name));
    if (d.replicates)
      for (std::size_t column : d.replicates->columns)
        m_names.push_back(Unused(file, m_names, file.Variables()[column].name));
    m_weights.resize(m_names.size());
    m_values.resize(c.variables.size());
  }

  const std::vector<std::size_t>& Columns() const { return m_columns; }
  const std::vector<std::string>& Names() const { return m_names; }

  // The row's calibrated weights; false where the file no longer is what it was.
  bool Weigh(std::span<const Value> v) {
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) m_values[i] = v[m_c.variables[i].column];
    if (!m_c.Locate(m_values, m_place) || !v[m_d.weight].numeric) return false;
    m_weights[0] = v[m_d.weight].number * m_c.G(m_place);
    for (std::size_t r = 1; r < m_weights.size(); ++r) {
      const Value& w = v[m_d.replicates->columns[r - 1]];
      if (!w.numeric) return false;
      m_weights[r] = w.number * m_c.G(m_place, r);
    }
    return true;
  }
  const std::vector<double>& Weights() const { return m_weights; }
  const std::string& Shown() const { return m_d.file; }

 private:
  const Design& m_d;
  const Calibration& m_c;
  std::vector<std::size_t> m_columns;
  std::vector<std::string> m_names;
  std::vector<double> m_weights;
  std::vector<Value> m_values;
  Calibration::Place m_place;
};

constexpr const char* kChanged = "the file changed since the calibration; give design and calibrate again";

std::optional<OutFailure> Delimited(const DataFile& file, Weigher& weigher, select::StagedFile& out, char separator) {
  std::vector<std::string> fields;
  for (const data::Variable& v : file.Variables()) fields.push_back(v.name);
  for (const std::string& name : weigher.Names()) fields.push_back(name);
  std::optional<OutFailure> failure;
  if (auto bad = out.Write(select::CsvLine(fields, separator))) return OutFailure{true, *bad};
  auto problem = file.Scan(weigher.Columns(), [&](long long row, std::span<const Value> v) {
    if (!weigher.Weigh(v)) {
      failure = OutFailure{false, Format("%s, row %lld: ", weigher.Shown().c_str(), row) + kChanged};
      return false;
    }
    fields.clear();
    for (std::size_t c = 0; c < v.size(); ++c) fields.push_back(select::CellText(file.Variables()[c], v[c]));
    for (double w : weigher.Weights()) fields.push_back(NumberText(w));
    if (auto bad = out.Write(select::CsvLine(fields, separator))) failure = OutFailure{true, *bad};
    return !failure;
  });
  if (problem) return OutFailure{false, problem->Describe()};
  return failure;
}

// ReadStat's writer, its bytes going to the staged file.
struct StatWriter {
  readstat_writer_t* w = readstat_writer_init();
  select::StagedFile* file;
  std::optional<std::string> failure;
  explicit StatWriter(select::StagedFile& f) : file(&f) {
    readstat_set_data_writer(w, [](const void* data, std::size_t size, void* self) -> ssize_t {
      auto* me = static_cast<StatWriter*>(self);
      if (!me->failure) me->failure = me->file->Write({static_cast<const char*>(data), size});
      return me->failure ? -1 : static_cast<ssize_t>(size);
    });
  }
  ~StatWriter() { readstat_writer_free(w); }
  StatWriter(const StatWriter&) = delete;
  StatWriter& operator=(const StatWriter&) = delete;
};

// A first pass finds what the writer must know before the rows: which text
// columns hold numbers only, and the widest text of the others.
std::optional<OutFailure> Binary(const DataFile& file, const Design& d, Weigher& weigher, select::StagedFile& out,
                                 select::SampleFormat format) {
  const std::size_t n = file.Variables().size();
  std::vector<bool> numeric(n);
  std::vector<std::size_t> width(n, 1);
  for (std::size_t c = 0; c < n; ++c) numeric[c] = file.Variables()[c].type != data::VariableType::Text;
  long long rows = 0;
  auto problem = file.Scan(weigher.Columns(), [&](long long, std::span<const Value> v) {
    for (std::size_t c = 0; c < n; ++c) {
      if (file.Variables()[c].type == data::VariableType::Unknown && !v[c].missing && !v[c].numeric) numeric[c] = false;
      width[c] = std::max(width[c], v[c].text.size());
    }
    ++rows;
    return true;
  });
  if (problem) return OutFailure{false, problem->Describe()};
  if (rows != d.units) return OutFailure{false, d.file + ": " + kChanged};
  StatWriter writer(out);
  std::vector<readstat_variable_t*> vars;
  for (std::size_t c = 0; c < n; ++c) {
    const data::Variable& v = file.Variables()[c];
    if (!numeric[c] && format == select::SampleFormat::Dta && width[c] > 2045)
      return OutFailure{false, "the values of " + v.name + " are longer than a Stata file takes (2045 bytes)"};
    vars.push_back(readstat_add_variable(
        writer.w, v.name.c_str(), numeric[c] ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_STRING, numeric[c] ? 0 : width[c]));
    if (!v.label.empty()) readstat_variable_set_label(vars.back(), v.label.c_str());
  }
  for (const std::string& name : weigher.Names())
    vars.push_back(readstat_add_variable(writer.w, name.c_str(), READSTAT_TYPE_DOUBLE, 0));
  if (format == select::SampleFormat::Zsav) readstat_writer_set_compression(writer.w, READSTAT_COMPRESS_BINARY);
  auto fail = [&](readstat_error_t e, const std::string& what) {
    return writer.failure ? OutFailure{true, *writer.failure} : OutFailure{false, what + readstat_error_message(e)};
  };
  readstat_error_t e = format == select::SampleFormat::Dta ? readstat_begin_writing_dta(writer.w, &writer, rows)
                                                           : readstat_begin_writing_sav(writer.w, &writer, rows);
  if (e != READSTAT_OK) return fail(e, "");
  for (std::size_t c = 0; c < vars.size(); ++c)
    if ((e = readstat_validate_variable(writer.w, vars[c])) != READSTAT_OK)
      return fail(e, "the variable " + std::string(c < n ? file.Variables()[c].name : weigher.Names()[c - n]) + ": ");
  std::optional<OutFailure> failure;
  std::string text;
  problem = file.Scan(weigher.Columns(), [&](long long row, std::span<const Value> v) {
    if (!weigher.Weigh(v)) {
      failure = OutFailure{false, Format("%s, row %lld: ", weigher.Shown().c_str(), row) + kChanged};
      return false;
    }
    readstat_begin_row(writer.w);
    for (std::size_t c = 0; c < n && e == READSTAT_OK; ++c) {
      if (!numeric[c]) {
        text.assign(v[c].missing ? std::string_view() : v[c].text);
        e = readstat_insert_string_value(writer.w, vars[c], text.c_str());
      } else {
        e = v[c].missing ? readstat_insert_missing_value(writer.w, vars[c])
                         : readstat_insert_double_value(writer.w, vars[c], v[c].number);
      }
    }
    for (std::size_t k = 0; k < weigher.Weights().size() && e == READSTAT_OK; ++k)
      e = readstat_insert_double_value(writer.w, vars[n + k], weigher.Weights()[k]);
    if (e == READSTAT_OK) e = readstat_end_row(writer.w);
    if (e != READSTAT_OK) failure = fail(e, "");
    return !failure;
  });
  if (problem) return OutFailure{false, problem->Describe()};
  if (failure) return failure;
  if ((e = readstat_end_writing(writer.w)) != READSTAT_OK) return fail(e, "");
  if (writer.failure) return OutFailure{true, *writer.failure};
  return std::nullopt;
}

}  // namespace

std::optional<OutFailure> WriteWeights(const DataFile& file, const Design& design, const Calibration& calibration,
                                       const std::string& path) {
  const std::optional<select::SampleFormat> format = select::FormatOf(path);
  if (!format)
    return OutFailure{false, "out=" + PathExcerpt(path) + ": the file ends in .csv, .tsv, .txt, .sav, .zsav or .dta"};
  if (FileStamp(file) != calibration.stamp) return OutFailure{false, design.file + ": " + kChanged};
  Weigher weigher(file, design, calibration);
  select::StagedFile out;
  if (auto bad = out.Open(path)) return OutFailure{true, *bad};
  std::optional<OutFailure> failure;
  if (*format == select::SampleFormat::Csv || *format == select::SampleFormat::Tsv)
    failure = Delimited(file, weigher, out, *format == select::SampleFormat::Csv ? ',' : '\t');
  else
    failure = Binary(file, design, weigher, out, *format);
  if (failure) return failure;
  if (auto bad = out.Finish()) return OutFailure{true, *bad};
  if (auto bad = out.Commit()) return OutFailure{true, *bad};
  out.Keep();
  return std::nullopt;
}

}  // namespace mirto::survey
