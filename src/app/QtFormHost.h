#pragma once
// The desktop host of the library's forms and message boxes. An entry loop
// shows one table of its rows (unless the settings ask for one form per row)
// and its forms are then answered from the table, row after row. In data
// mode the fields the data supply open filled and read-only, and the rows of
// a loop that the data answer whole are not shown.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <set>
#include <string>

#include "data/DataHost.h"
#include "data/DataSession.h"
#include "framework/Form.h"

class QProgressDialog;

namespace mirto {

namespace data {
class EntryTable;
}

class CTervoDoc;

class QtFormHost : public FormHost {
 public:
  QtFormHost();
  ~QtFormHost() override;
  // Dialogs are centred on `window` (set once the main window exists).
  void SetWindow(QWidget* window) { m_window = window; }
  bool ShowForm(Form& form) override;
  void Message(std::string_view text) override;
  void BeginEntryLoop(const EntryLoop& loop) override;
  void EndEntryLoop() override;
  std::vector<std::size_t> DataFields() const override { return m_filled; }
  // A question box with Yes and No, No the default.
  std::optional<bool> Ask(std::string_view question) override;

  // Data mode, from Data > "From data..." until Data > "Clear data".
  void UseData(data::DataSession session, data::DataChoice choice);
  void ClearData();
  bool DataOn() const { return m_data.Active(); }
  const data::DataChoice& Choice() const { return m_choice; }
  // Before command `id` in data mode: its figures and the note for `doc`;
  // false, after a message, when the data cannot answer it.
  bool BeforeCommand(CTervoDoc& doc, int id);
  void AfterCommand() { m_run.End(); }

 private:
  enum class Feed { Forms, Table, Cancelled };
  bool FromTable(Form& form);

  QPointer<QWidget> m_window;
  const FormTemplate* m_loopForm = nullptr;
  Feed m_feed = Feed::Forms;
  std::unique_ptr<data::EntryTable> m_table;
  long long m_next = 0;
  std::unique_ptr<QProgressDialog> m_progress;
  std::set<std::string> m_messages;  // shown while the table was fed: each once

  data::DataSession m_data;
  data::DataChoice m_choice;
  data::DataRun m_run;
  const FormTemplate* m_dataLoop = nullptr;  // a loop whose rows the data answer
  long long m_dataRow = 0;
  std::vector<std::size_t> m_filled;  // of the form shown last
};

}  // namespace mirto
