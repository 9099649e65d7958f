#include "app/TotalsDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/SurveyWidgets.h"
#include "batch/Session.h"
#include "survey/Totals.h"

namespace mirto {

TotalsDialog::TotalsDialog(QWidget* parent) : QDialog(parent), m_table(new QTableWidget(8, 3, this)) {
  setWindowTitle("Population totals");
  setObjectName("totalsDialog");
  m_table->setObjectName("totals");
  m_table->setHorizontalHeaderLabels({"Variable", "Category", "Total"});
  m_table->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* add = buttons->addButton("&Add row", QDialogButtonBox::ActionRole);
  connect(add, &QPushButton::clicked, this, [this] { m_table->insertRow(m_table->rowCount()); });
  connect(buttons, &QDialogButtonBox::accepted, this, &TotalsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_table);
  layout->addWidget(buttons);
  resize(460, 340);
}

void TotalsDialog::accept() {
  std::vector<std::array<std::string, 3>> rows;
  for (int r = 0; r < m_table->rowCount(); ++r) {
    std::array<std::string, 3> row;
    for (int c = 0; c < 3; ++c)
      if (const QTableWidgetItem* item = m_table->item(r, c))
        row[static_cast<std::size_t>(c)] = item->text().toStdString();
    if (row != std::array<std::string, 3>{}) rows.push_back(row);  // blank rows are left out
  }
  const QString path = QFileDialog::getSaveFileName(this, "Save the totals", m_file, "Delimited text (*.csv)");
  if (path.isEmpty()) return;
  // Read back by the calibration, which names any bad line by its row.
  const FileResult result = WriteScript(survey::TotalsFileLines(rows), LocalPath(path));
  if (!result.ok) {
    QMessageBox::warning(this, kAppTitle, QString::fromStdString(result.message));
    return;
  }
  m_file = path;
  QDialog::accept();
}

}  // namespace mirto
