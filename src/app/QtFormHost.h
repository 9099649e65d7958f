#pragma once
// The desktop host of the library's forms and message boxes. An entry loop
// shows one table of its rows (unless the settings ask for one form per row)
// and its forms are then answered from the table, row after row.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <set>
#include <string>

#include "framework/Form.h"

class QProgressDialog;

namespace mirto {

namespace data {
class EntryTable;
}

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
};

}  // namespace mirto
