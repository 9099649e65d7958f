#pragma once
// Data > "From data...": a data file, its variables listed with their type
// and missing count, the variable of each role a calculation may need, and
// optionally a population file and a pairs file. The library reads and
// checks them all; OK keeps the choice only when every one of them is read.
// The file is chosen with Browse or typed (Return opens it); a file that
// has the variables of the roles chosen keeps them.
#include <QDialog>
#include <array>

#include "app/QtFormHost.h"
#include "data/DataSession.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace mirto {

class DataDialog : public QDialog {
  Q_OBJECT
 public:
  // Opens with `choice` (the one in use, if any) filled in.
  explicit DataDialog(const data::DataChoice& choice, QWidget* parent = nullptr);

  // Reads the variables of `path`; false, after a message, when it cannot.
  bool OpenFile(const QString& path);
  QLineEdit* FileField() const { return m_file; }
  QTableWidget* Variables() const { return m_variables; }
  QComboBox* RoleBox(data::Role role) const { return m_roles[static_cast<std::size_t>(role)]; }
  QLineEdit* PopulationFile() const { return m_population; }
  QLineEdit* PairsFile() const { return m_pairs; }
  QPushButton* OkButton() const { return m_ok; }

  // After OK: the session the choice opened, and the choice.
  data::DataSession TakeSession() { return std::move(m_session); }
  const data::DataChoice& Choice() const { return m_choice; }

 public slots:
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Browse();
  // Opens the file typed in the field when it is another than the one open
  // (an empty field shows that one again); true when one was opened. A file
  // that failed is tried again only when asked `again`.
  bool OpenTyped(bool again);
  QWidget* FileRow(QLineEdit* edit, const QString& filter);
  void UpdateState();
  bool Report(const std::optional<data::DataProblem>& problem);

  QString m_path;
  QString m_failed;  // typed, and not read
  bool m_opening = false;
  QLineEdit* m_file;
  QLabel* m_rows;
  QTableWidget* m_variables;
  std::array<QComboBox*, data::kRoles> m_roles{};
  QLineEdit* m_population;
  QLineEdit* m_pairs;
  QPushButton* m_ok = nullptr;
  data::DataSession m_session;
  data::DataChoice m_choice;
};

}  // namespace mirto
