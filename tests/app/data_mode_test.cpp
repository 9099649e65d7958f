// Data mode in the desktop: the Data dialog, forms that open with the data's
// figures read-only, entry loops answered from the data, and refusals. The
// journal must equal that of the batch data script of the same choice, whose
// figures tests/scripts/data checks against R.
#include <readstat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sstream>

#include "AppFixture.h"
#include "AppTest.h"
#include "app/AppSettings.h"
#include "app/CFormDialog.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"
#include "app/DataDialog.h"
#include "app/DataGrid.h"
#include "batch/Batch.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"

using namespace mirto;
using mirto::test::Batch;
using mirto::test::Lines;

namespace {

const QString kData = MIRTO_DATA_DIR;

// The lines of a batch run, then its messages.
QStringList BatchWithMessages(const std::string& script) {
  std::string err;
  return Batch(script, &err) << QString::fromStdString(err);
}

// Chooses `file` and the roles in the Data dialog, once the watchdog has let go of it.
test::ModalWatchdog::Handler InData(std::function<void(DataDialog&)> work) {
  return [work](QWidget* w) {
    auto* dialog = qobject_cast<DataDialog*>(w);
    QVERIFY2(dialog, qPrintable(w->objectName()));
    QTimer::singleShot(0, dialog, [work, dialog] {
      work(*dialog);
      if (dialog->isVisible()) dialog->reject();
    });
  };
}

// Types `values` into the inputs the data left, in tab order, and presses OK;
// the data's fields must be read-only and filled.
test::ModalWatchdog::Handler Remaining(QStringList values, int fromData) {
  return [values, fromData](QWidget* w) {
    auto* form = qobject_cast<CFormDialog*>(w);
    QVERIFY2(form, qPrintable(w->objectName()));
    int k = 0, filled = 0;
    for (std::size_t i : form->Shown().Inputs()) {
      if (QLineEdit* edit = form->Edit(i)) {
        if (edit->isReadOnly()) {
          filled += !edit->text().isEmpty();
          continue;
        }
        edit->setText(values.value(k++));
      }
      if (QListWidget* list = form->List(i))
        list->findItems(values.value(k++), Qt::MatchExactly).value(0)->setSelected(true);
    }
    QCOMPARE(filled, fromData);
    QCOMPARE(k, values.size());
    form->accept();
  };
}

using Fixture = test::AppFixture;

// region: 1 "North", 2 "South", and 7 without a label.
bool WriteLabelledSav(const QString& path) {
  std::string bytes;
  readstat_writer_t* w = readstat_writer_init();
  readstat_set_data_writer(w, [](const void* data, std::size_t size, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  readstat_label_set_t* regions = readstat_add_label_set(w, READSTAT_TYPE_INT32, "regions");
  readstat_label_int32_value(regions, 1, "North");
  readstat_label_int32_value(regions, 2, "South");
  readstat_variable_t* region = readstat_add_variable(w, "region", READSTAT_TYPE_INT32, 0);
  readstat_variable_set_label_set(region, regions);
  readstat_begin_writing_sav(w, &bytes, 3);
  for (int32_t value : {1, 2, 7}) {
    readstat_begin_row(w);
    readstat_insert_int32_value(w, region, value);
    readstat_end_row(w);
  }
  const bool written = readstat_end_writing(w) == READSTAT_OK;
  readstat_writer_free(w);
  QFile file(path);
  return written && file.open(QIODevice::WriteOnly) &&
         file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

constexpr const char* kSrsInterval = "Simple > Mean/total of variable > Interval estimates > Simple";
constexpr const char* kStratifiedInterval = "Stratified > Mean/total of variable > Interval estimates";

}  // namespace

class DataModeTest : public QObject {
  Q_OBJECT
 private slots:
  void formsAndLoopsFromTheDataMatchTheBatchScript() {
    Fixture f;
    f.watchdog.Expect(InData([](DataDialog& d) {
      QVERIFY(d.OpenFile(kData + "/srs.csv"));
      QTableWidget* v = d.Variables();
      QCOMPARE(v->rowCount(), 4);
      const QStringList income = {v->item(1, 0)->text(), v->item(1, 1)->text(), v->item(1, 2)->text()};
      QCOMPARE(income, (QStringList{"income", "numeric", "1"}));  // row 6 is NA
      QVERIFY(!d.OkButton()->isEnabled());                        // no role yet
      d.RoleBox(data::Role::Y)->setCurrentText("income");
      d.OkButton()->click();
    }));
    f.app.Frame()->ChooseData();
    QVERIFY(!f.app.Frame()->DataLabel()->isHidden());
    QCOMPARE(f.app.Frame()->DataLabel()->text(), QString("Data: srs.csv"));
    f.watchdog.Expect(Remaining({"5000", "95%"}, 3));
    f.Run(kSrsInterval);

    f.watchdog.Expect(InData([](DataDialog& d) {
      QVERIFY(d.OpenFile(kData + "/strata.csv"));
      d.RoleBox(data::Role::Y)->setCurrentText("y");
      d.RoleBox(data::Role::Stratum)->setCurrentText("region");
      d.PopulationFile()->setText(kData + "/strata-sizes.csv");
      d.OkButton()->click();
    }));
    f.app.Frame()->ChooseData();
    f.watchdog.Expect(Remaining({"95%"}, 1));  // K; the strata's rows come from the data
    f.Run(kStratifiedInterval);

    const std::string dir = kData.toStdString() + "/";
    const std::string script = "data " + dir + "srs.csv\nuse y=income\ncommand " + kSrsInterval +
                               "\nok 5000; 95%\ndata " + dir + "strata.csv\npopulation " + dir +
                               "strata-sizes.csv\nuse y=y stratum=region\ncommand " + kStratifiedInterval +
                               "\nok 95%\n";
    QCOMPARE(Lines(f.doc) << QString(), BatchWithMessages(script));
    // The exported session sets the same data mode and gives only the typed fields.
    std::string session;
    for (const std::string& line : f.app.Session().ScriptLines()) session += line + "\n";
    QCOMPARE(Lines(f.doc) << QString(), BatchWithMessages(session));
  }

  // A corrupt file is named in the library's words; a command the data
  // cannot answer appends nothing; Clear data types every figure again.
  void badDataAreRefusedWithTheirMessage() {
    Fixture f;
    QTemporaryDir dir;
    QFile bad(dir.filePath("broken.sav"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("$FL2 not really a system file");
    bad.close();
    QString message;
    f.watchdog.Expect(InData([&](DataDialog& d) {
      f.watchdog.Expect(test::AnswerMessage(&message, QMessageBox::Ok));
      QVERIFY(!d.OpenFile(bad.fileName()));
      QCOMPARE(d.Variables()->rowCount(), 0);
      QVERIFY(d.OpenFile(kData + "/strata.csv"));
      d.RoleBox(data::Role::Y)->setCurrentText("y");
      d.OkButton()->click();
    }));
    f.app.Frame()->ChooseData();
    QVERIFY2(message.startsWith(bad.fileName() + ": "), qPrintable(message));

    const QStringList before = Lines(f.doc);
    QString refusal;
    f.watchdog.Expect(test::AnswerMessage(&refusal, QMessageBox::Ok));
    f.Run(kStratifiedInterval);  // no stratum variable
    QVERIFY2(refusal.startsWith(kData + "/strata.csv: "), qPrintable(refusal));
    QCOMPARE(Lines(f.doc), before);

    f.app.Frame()->ClearData();
    QVERIFY(f.app.Frame()->DataLabel()->isHidden());
    f.watchdog.Expect(Remaining({"5000", "100", "12", "3", "95%"}, 0));
    f.Run(kSrsInterval);
    QCOMPARE(Lines(f.doc) << QString(),
             BatchWithMessages(std::string("command ") + kSrsInterval + "\nok 5000; 100; 12; 3; 95%\n"));
  }

  // A path typed with Return opens that file rather than pressing OK; roles
  // whose variable the new file has stay; a file that cannot be read is
  // named; a text variable in a role of numbers is refused with both names.
  void theDialogTakesTypedFilesAndKeepsRoles() {
    Fixture f;
    QTemporaryDir dir;
    const QString again = dir.filePath("srs-again.csv"), none = dir.filePath("none.csv");
    QVERIFY(QFile::copy(kData + "/srs.csv", again));
    QString missing, notNumeric;
    f.watchdog.Expect(InData([&](DataDialog& d) {
      QVERIFY(!d.FileField()->isReadOnly());
      QVERIFY(d.OpenFile(kData + "/srs.csv"));
      d.RoleBox(data::Role::Y)->setCurrentText("income");
      d.RoleBox(data::Role::X)->setCurrentText("size");
      d.FileField()->setText(again);
      QTest::keyClick(d.FileField(), Qt::Key_Return);
      QVERIFY(d.isVisible());
      QCOMPARE(d.RoleBox(data::Role::Y)->currentText(), QString("income"));
      QCOMPARE(d.RoleBox(data::Role::X)->currentText(), QString("size"));
      QVERIFY(d.OpenFile(kData + "/strata.csv"));  // no income, no size
      QCOMPARE(d.RoleBox(data::Role::Y)->currentText(), QString());
      QCOMPARE(d.RoleBox(data::Role::X)->currentText(), QString());

      f.watchdog.Expect(test::AnswerMessage(&missing, QMessageBox::Ok));
      d.FileField()->setText(none);
      QTest::keyClick(d.FileField(), Qt::Key_Return);
      QCOMPARE(d.FileField()->text(), none);
      QCOMPARE(d.Variables()->item(0, 0)->text(), QString("region"));  // strata.csv still open

      d.FileField()->setText(kData + "/strata.csv");
      d.RoleBox(data::Role::Y)->setCurrentText("region");
      d.OkButton()->click();
    }));
    f.app.Frame()->ChooseData();
    QVERIFY2(missing.startsWith(none + ": "), qPrintable(missing));
    f.watchdog.Expect(test::AnswerMessage(&notNumeric, QMessageBox::Ok));
    f.Run(kSrsInterval);
    QCOMPARE(notNumeric,
             kData + "/strata.csv, row 1, variable \"region\": \"A\" is not a number; role y needs numbers");
  }

  // Data > "View data..." on a million rows: the grid is open before the file
  // is read, fills as it is read, marks missing cells and heads each column
  // with its type and roles.
  void theDataGridOnAMillionRows() {
    Fixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("big.csv");
    QByteArray rows = "id,income,region\n";
    for (int i = 1; i <= 1'000'000; ++i)
      rows += QByteArray::number(i) + ',' + (i % 10 == 0 ? QByteArray("NA") : QByteArray::number(i * 0.5, 'f', 1)) +
              (i % 2 ? ",North\n" : ",South\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rows);
    file.close();
    QVERIFY(!f.app.Frame()->Action(FrameCommand::ViewData)->isEnabled());
    f.watchdog.Expect(InData([&](DataDialog& d) {
      QVERIFY(d.OpenFile(path));
      d.RoleBox(data::Role::Y)->setCurrentText("income");
      d.RoleBox(data::Role::Stratum)->setCurrentText("region");
      d.OkButton()->click();
    }));
    f.app.Frame()->ChooseData();
    f.app.Frame()->Action(FrameCommand::ViewData)->trigger();
    auto* grid = qobject_cast<DataGridDialog*>(f.app.Frame()->DataGrid());
    QVERIFY(grid && grid->isVisible());
    QVERIFY(!grid->Done());
    QTRY_VERIFY_WITH_TIMEOUT(grid->Done(), 60'000);
    DataGridModel& model = *grid->Model();
    QCOMPARE(model.rowCount(), 1'000'000);
    QCOMPARE(grid->Status()->text(), QString("1000000 rows"));
    const auto header = [&model](int c) { return model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(); };
    QCOMPARE(header(0), QString("id\nnumeric"));
    QCOMPARE(header(1), QString("income\nnumeric, y"));
    QCOMPARE(header(2), QString("region\ntext, stratum"));
    QCOMPARE(model.index(999'998, 1).data().toString(), QString("499999.5"));  // row 999999: 999999 * 0.5
    QCOMPARE(model.index(999'999, 2).data().toString(), QString("South"));
    QVERIFY(model.IsMissing(999'999, 1) && model.IsMissing(9, 1) && !model.IsMissing(10, 1));
    QCOMPARE(model.index(9, 1).data(Qt::ToolTipRole).toString(), QString("missing"));
    QVERIFY(!grid->Labels()->isEnabled());  // text files have no value labels
    grid->close();
  }

  // Value labels of an SPSS file (written with ReadStat) shown or hidden.
  void theDataGridShowsOrHidesValueLabels() {
    QTemporaryDir dir;
    const QString path = dir.filePath("labels.sav");
    QVERIFY(WriteLabelledSav(path));
    data::DataChoice choice;
    choice.file = QFile::encodeName(path).toStdString();
    DataGridDialog grid(choice);
    QTRY_VERIFY(grid.Done());
    QVERIFY(grid.Labels()->isEnabled() && grid.Labels()->isChecked());
    QCOMPARE(grid.Model()->index(1, 0).data().toString(), QString("South"));
    grid.Labels()->setChecked(false);
    QCOMPARE(grid.Model()->index(1, 0).data().toString(), QString("2"));
    QCOMPARE(grid.Model()->index(2, 0).data().toString(), QString("7"));  // no label
  }
};

MIRTO_APP_TEST(DataModeTest);
#include "data_mode_test.moc"
