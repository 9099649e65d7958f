#pragma once
// What a draw writes: the sample (CSV or TSV by hand, SPSS and Stata files
// through ReadStat's writer), the population file and the pairs file. Each
// goes to a temporary file beside its target and takes the target's place
// only when every file of the draw was written: a draw that fails leaves
// nothing behind.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataFile.h"
#include "journal/Fd.h"

namespace mirto::select {

// A temporary file beside its target, removed unless committed and kept.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // What went wrong, if anything ("cannot write FILE: REASON").
  std::optional<std::string> Open(const std::string& target);
  std::optional<std::string> Write(std::string_view bytes);
  // Written out and flushed; the rename waits for Commit.
  std::optional<std::string> Finish();
  // Puts the file in its target's place (nothing when it was never opened).
  std::optional<std::string> Commit();
  // The committed file stays: without this, going out of scope removes it,
  // so that a draw whose last file cannot be put in place leaves none.
  void Keep();

 private:
  std::optional<std::string> Failed(const char* what) const;
  std::optional<std::string> Flush();

  std::string m_target, m_temporary;
  Fd m_fd;
  std::string m_buffer;
  bool m_committed = false;
};

enum class SampleFormat : std::uint8_t { Csv, Tsv, Sav, Zsav, Dta };
// By the extension, case aside; nothing for another.
std::optional<SampleFormat> FormatOf(std::string_view path);

// One cell of a frame row, kept.
struct KeptCell {
  double number = 0;
  std::uint32_t offset = 0, length = 0;  // of its text in the row's text
  bool missing = false, numeric = false;
};

// A drawn unit: its frame row, cells and the columns the draw adds.
struct SampleRow {
  long long row = 0;
  std::string text;
  std::vector<KeptCell> cells;
  std::vector<double> added;
  void Keep(std::span<const data::Value> values);
  std::string_view Text(std::size_t column) const { return {text.data() + cells[column].offset, cells[column].length}; }
};

struct SampleColumns {
  std::vector<data::Variable> frame;  // names as written (a clash renamed)
  std::vector<std::string> added;
};

// The rows as the file of `format` holds them; what went wrong, if anything.
std::optional<std::string> WriteSample(StagedFile& file, SampleFormat format, const SampleColumns& columns,
                                       const std::vector<SampleRow>& rows);

// A cell as the sample file writes it in text: the number of a numeric
// variable of an SPSS, Stata or SAS frame, else the cell as written.
std::string CellText(const data::Variable& variable, const data::Value& value);

// A delimited line: fields quoted where they must be.
std::string CsvLine(const std::vector<std::string>& fields, char separator = ',');

}  // namespace mirto::select
