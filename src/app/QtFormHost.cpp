#include "app/QtFormHost.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QProgressDialog>
#include <new>

#include "app/AppSettings.h"
#include "app/CFormDialog.h"
#include "app/EntryTableDialog.h"
#include "data/EntryTable.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

constexpr long long kProgressFrom = 20'000;  // rows

}  // namespace

QtFormHost::QtFormHost() = default;
QtFormHost::~QtFormHost() = default;

bool QtFormHost::ShowForm(Form& form) {
  if (&form.Template() == m_loopForm && m_feed != Feed::Forms) return FromTable(form);
  m_filled.clear();
  if (m_run.Ready()) {
    if (auto refusal = m_run.Refusal(form, data::Front::Desktop)) {
      Message(*refusal);
      return false;  // as Cancel: nothing appended
    }
    const long long row = &form.Template() == m_dataLoop ? ++m_dataRow : 0;
    m_filled = m_run.Fill(form, row);
    if (row > 0 && m_run.Whole(form)) return true;  // the note says what the rows came from
  }
  CFormDialog dialog(form, m_window, m_filled);
  return dialog.exec() == QDialog::Accepted;
}

void QtFormHost::Message(std::string_view text) {
  // Rows fed from a table were marked there already: one box for each message is enough.
  if (m_feed == Feed::Table && !m_messages.emplace(text).second) return;
  QMessageBox::warning(m_window, kAppTitle, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtFormHost::BeginEntryLoop(const EntryLoop& loop) {
  EndEntryLoop();
  if (m_run.Ready()) {
    Form first(*loop.tmpl, loop.context);
    if (!m_run.Fill(first, 1).empty()) {
      m_dataLoop = loop.tmpl;  // its rows come from the data: forms, not a table
      return;
    }
  }
  AppSettings settings;
  if (settings.LoadOneFormPerRow() || loop.count > data::kMaxTableRows || !data::Tabular(*loop.tmpl)) return;
  std::unique_ptr<data::EntryTable> table;
  try {
    table = std::make_unique<data::EntryTable>(loop);
  } catch (const std::bad_alloc&) {
    return;  // too large a table for the memory there is: the forms ask instead
  }
  EntryTableDialog dialog(*table, m_window);
  const bool ok = dialog.exec() == QDialog::Accepted;
  m_loopForm = loop.tmpl;
  if (ok && dialog.OneFormPerRow()->isChecked()) {
    settings.SaveOneFormPerRow(true);
    return;
  }
  m_feed = ok ? Feed::Table : Feed::Cancelled;
  if (!ok) return;
  m_table = std::move(table);
  if (m_table->Rows() >= kProgressFrom) {
    m_progress = std::make_unique<QProgressDialog>("Entering the rows...", "Cancel", 0,
                                                   static_cast<int>(m_table->Rows()), m_window);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(500);
  }
}

bool QtFormHost::FromTable(Form& form) {
  if (m_feed != Feed::Table || m_next >= m_table->Rows()) return false;
  m_table->Answer(m_next++, form);
  if (m_progress && m_next % 1024 == 0) {
    m_progress->setValue(static_cast<int>(m_next));
    if (m_progress->wasCanceled()) {
      m_feed = Feed::Cancelled;  // the loop ends as on Cancel, with nothing appended
      return false;
    }
  }
  return true;
}

void QtFormHost::EndEntryLoop() {
  m_loopForm = nullptr;
  m_feed = Feed::Forms;
  m_table.reset();
  m_progress.reset();
  m_next = 0;
  m_messages.clear();
  m_dataLoop = nullptr;
  m_dataRow = 0;
}

void QtFormHost::UseData(data::DataSession session, data::DataChoice choice) {
  m_data = std::move(session);
  m_choice = std::move(choice);
}

void QtFormHost::ClearData() {
  m_data = {};
  m_choice = {};
  m_run.End();
}

bool QtFormHost::BeforeCommand(CTervoDoc& doc, int id) {
  try {
    if (auto problem = m_run.Begin(m_data, id)) {
      Message(problem->Describe(data::Front::Desktop));
      return false;
    }
    if (m_run.Ready()) doc.SetNote(m_run.Note(), m_run.GroupNames());
    return true;
  } catch (const std::bad_alloc&) {
    // Too much data for the memory there is: the command does not start.
    m_run.End();
    doc.SetNote({});
    OutOfMemory();
    return false;
  }
}

std::optional<bool> QtFormHost::Ask(std::string_view question) {
  const auto answer = QMessageBox::question(m_window, kAppTitle,
                                            QString::fromUtf8(question.data(), static_cast<qsizetype>(question.size())),
                                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  return answer == QMessageBox::Yes;
}

}  // namespace mirto
