// The table dialog of entry loops: paste, import, marks, feeding the loop,
// Cancel, and "One form per row".
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <sstream>

#include "AppFixture.h"
#include "AppTest.h"
#include "app/AppSettings.h"
#include "app/CFormDialog.h"
#include "app/CTervoApp.h"
#include "app/EntryTableDialog.h"
#include "app/ImportDialog.h"
#include "app/QtFormHost.h"
#include "batch/Batch.h"
#include "data/EntryTable.h"
#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

using namespace mirto;
using mirto::test::Answer;
using mirto::test::Batch;
using mirto::test::Lines;

namespace {

constexpr int kStratifiedInterval = 32853;
const char* const kTwoGroups = "ok 600; 60; 10; 3\nok 400; 40; 20; 4\n";

// Works in the table dialog once the watchdog has let go of it, so that the
// dialogs the table opens (messages, import) reach the watchdog in turn.
using TableHandler = std::function<void(EntryTableDialog&)>;
test::ModalWatchdog::Handler InTable(TableHandler handler) {
  return [handler](QWidget* w) {
    auto* dialog = qobject_cast<EntryTableDialog*>(w);
    QVERIFY2(dialog, qPrintable(w->objectName()));
    QTimer::singleShot(0, dialog, [handler, dialog] {
      handler(*dialog);
      if (dialog->isVisible()) dialog->reject();
    });
  };
}

void Edit(EntryTableDialog& d, int row, int column, const QString& text) {
  QAbstractItemModel* model = d.View()->model();
  QVERIFY(model->setData(model->index(row, column), text, Qt::EditRole));
}

using Fixture = test::AppFixture;

}  // namespace

class EntryTableTest : public QObject {
  Q_OBJECT
 private slots:
  // A pasted block with a comma decimal is marked and holds OK back; put
  // right, the rows make the very block typed forms make.
  void pastedRowsAreMarkedThenFed() {
    Fixture f;
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(InTable([](EntryTableDialog& d) {
      QAbstractItemModel* model = d.View()->model();
      QCOMPARE(model->rowCount(), 2);
      QCOMPARE(model->columnCount(), 5);
      QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
               QString("Number of elements, N_i: (N_i)"));
      QCOMPARE(model->index(1, 0).data().toString(), QString("2"));
      QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
      QVERIFY(!d.OkButton()->isEnabled());
      d.View()->setCurrentIndex(model->index(0, 1));
      QVERIFY(d.PasteText("600\t60\t10\t3\r\n400\t40\t2,5\t4\r\n"));
      QVERIFY(!d.OkButton()->isEnabled());
      QVERIFY2(d.Status()->text().contains("\"2,5\" is not a number: the decimal mark is a point."),
               qPrintable(d.Status()->text()));
      QCOMPARE(model->index(1, 3).data(Qt::ToolTipRole).toString(),
               QString("\"2,5\" is not a number: the decimal mark is a point."));
      Edit(d, 1, 3, "20");
      QVERIFY(d.OkButton()->isEnabled());
      d.OkButton()->click();
    }));
    f.app.Session().RunCommand(f.doc, kStratifiedInterval);
    QCOMPARE(Lines(f.doc), Batch("command 32853\nok 2; 95%\n" + std::string(kTwoGroups)));
    // The session keeps each row as the statement that answers its form.
    const std::vector<std::string> script = f.app.Session().ScriptLines();
    QVERIFY(std::find(script.begin(), script.end(), "ok 400; 40; 20; 4") != script.end());
  }

  void aBlockThatDoesNotFitIsRefusedWithAMessage() {
    Fixture f;
    QString message;
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(InTable([&message, &f](EntryTableDialog& d) {
      f.watchdog.Expect(test::AnswerMessage(&message, QMessageBox::Ok));
      d.View()->setCurrentIndex(d.View()->model()->index(1, 1));
      QVERIFY(!d.PasteText("1;2;3;4\n5;6;7;8\n"));
      QCOMPARE(d.View()->model()->index(1, 1).data().toString(), QString());
    }));
    f.doc.OnCommand(kStratifiedInterval);
    QCOMPARE(message, QString("The pasted text, line 2: the block has 2 rows; from row 2 the table has room for 1"));
  }

  void cancelAppendsNothing() {
    Fixture f;
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(InTable([](EntryTableDialog& d) {
      QVERIFY(d.PasteText("600;60;10;3\n400;40;20;4\n"));
      d.reject();
    }));
    const QStringList before = Lines(f.doc);
    QCOMPARE(f.doc.OnCommand(kStratifiedInterval), true);
    QCOMPARE(Lines(f.doc), before);
  }

  // A file with a header in its own order; the import dialog proposes the mapping.
  void importedFileWithAHeader() {
    Fixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("groups.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("S_i,barY_i,n_i,N_i\r\n3,10,60,600\r\n4,20,40,400\r\n");
    file.close();
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(InTable([&f, path](EntryTableDialog& d) {
      f.watchdog.Expect([](QWidget* w) {
        auto* import = qobject_cast<ImportDialog*>(w);
        QVERIFY(import);
        QVERIFY(import->Header()->isChecked());
        QCOMPARE(import->Source(1)->currentIndex(), 4);  // N_i: the fourth file column
        QCOMPARE(import->Preview()->rowCount(), 2);
        import->accept();
      });
      d.ImportFile(path);
      QVERIFY(d.OkButton()->isEnabled());
      d.OkButton()->click();
    }));
    f.doc.OnCommand(kStratifiedInterval);
    QCOMPARE(Lines(f.doc), Batch("command 32853\nok 2; 95%\n" + std::string(kTwoGroups)));
  }

  // A header that names a column twice is said in the import dialog, which
  // proposes what the names map; the person then chooses.
  void aHeaderWithADuplicateNameIsSaid() {
    test::ModalWatchdog watchdog;
    data::EntryTable table(EntryLoop{.tmpl = FindFormTemplate(160), .count = 2});
    EntryTableDialog d(table);
    QTemporaryDir dir;
    const QString path = dir.filePath("groups.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("N_i;n_i;n_i;S_i\n600;60;10;3\n400;40;20;4\n");
    file.close();
    watchdog.Expect([](QWidget* w) {
      auto* import = qobject_cast<ImportDialog*>(w);
      QVERIFY(import);
      QVERIFY(import->Header()->isChecked());
      QCOMPARE(import->Problem()->text(),
               QString("groups.csv, line 1, column 3: the header names the column \"n_i\" twice"));
      import->reject();
    });
    d.ImportFile(path);
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // A broken file says where it breaks, takes nothing, and leaves the table open.
  void aBrokenFileIsNamedByLineAndColumn() {
    Fixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("600;60;10;3\n400;40;20\n");
    file.close();
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(InTable([&f, path](EntryTableDialog& d) {
      f.watchdog.Expect([](QWidget* w) {
        auto* import = qobject_cast<ImportDialog*>(w);
        QVERIFY(import);
        QCOMPARE(import->Problem()->text(), QString("broken.csv, line 2, column 4: 3 fields, where line 1 has 4"));
        QVERIFY(!import->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        import->reject();
      });
      d.ImportFile(path);
      QCOMPARE(d.View()->model()->index(0, 1).data().toString(), QString());
      d.reject();
    }));
    const QStringList before = Lines(f.doc);
    f.doc.OnCommand(kStratifiedInterval);
    QCOMPARE(Lines(f.doc), before);
  }

  // The without-replacement population: the loop's own check marks a
  // probability above 1; put right, the table feeds the loop, and the pairs
  // follow in a table of their own.
  void theLoopsRowCheckMarksACell() {
    Fixture f;
    f.watchdog.Expect(Answer({"3"}));
    f.watchdog.Expect(InTable([](EntryTableDialog& d) {
      QAbstractItemModel* model = d.View()->model();
      d.View()->setCurrentIndex(model->index(0, 1));
      QVERIFY(d.PasteText("10\t0.5\n20\t1.5\n30\t0.5\n"));
      QCOMPARE(model->index(1, 2).data(Qt::ToolTipRole).toString(),
               QString("Illegal entry: an inclusion probability lies between 0 and 1."));
      QVERIFY(!d.OkButton()->isEnabled());
      Edit(d, 1, 2, "0.25");
      QVERIFY(d.OkButton()->isEnabled());
      d.OkButton()->click();
    }));
    // The pairs follow in a table of their own, here from a pasted matrix
    // whose diagonal must be the probabilities just put right.
    f.watchdog.Expect(InTable([](EntryTableDialog& d) {
      QAbstractItemModel* model = d.View()->model();
      QCOMPARE(model->rowCount(), 3);
      d.View()->setCurrentIndex(model->index(0, 2));
      QVERIFY(d.PasteText("0.5\t0.1\t0.2\n\t0.25\t0.05\n\t\t0.5\n"));
      QVERIFY(d.OkButton()->isEnabled());
      d.OkButton()->click();
    }));
    f.doc.OnCommand(32935);
    QCOMPARE(Lines(f.doc),
             Batch("command 32935\nok 3\nok 10; 0.5\nok 20; 0.25\nok 30; 0.5\nok 0.1\nok 0.2\nok 0.05\n"));
    // By hand: sqrt(sum (p_i p_j - p_ij) (y_i/p_i - y_j/p_j)^2) = sqrt(0.025*3600 + 0.05*1600 + 0.075*400) = sqrt(200).
    QCOMPARE(Lines(f.doc).last(), QString("Std. deviation of estimator of pop. total: 14.142136"));
  }

  // Cluster sampling: n_i greyed and not editable; the fields keep their limits.
  void disabledFieldsAndLimits() {
    Fixture f;
    f.watchdog.Expect(Answer({"100", "10", "2", "95%"}));
    f.watchdog.Expect(InTable([](EntryTableDialog& d) {
      QAbstractItemModel* model = d.View()->model();
      QCOMPARE(model->columnCount(), 5);
      QVERIFY(!(model->flags(model->index(0, 2)) & Qt::ItemIsEnabled));
      QStyleOptionViewItem option;
      std::unique_ptr<QWidget> editor(d.View()->itemDelegate()->createEditor(d.View(), option, model->index(0, 1)));
      auto* edit = qobject_cast<QLineEdit*>(editor.get());
      QVERIFY(edit);
      QCOMPARE(edit->maxLength(), 15);
      QVERIFY(edit->validator());  // digits only, as on the form
    }));
    f.doc.OnCommand(32864);
  }

  // A pair table: (i, j, p_ij) rows in the loop's order, filled from a pasted
  // matrix whose diagonal repeats the elements' probabilities.
  void aMatrixFillsThePairs() {
    test::ModalWatchdog watchdog;
    const FormTemplate pairs{9190, "Pairs", {RowNumber("Pair of", 5), RowNumber("and", 5), Field("", 10)}};
    const double p[] = {0, 0.5, 0.25, 0.75};
    data::EntryTable table(EntryLoop{.tmpl = &pairs, .count = 3, .elements = 3, .probabilities = p});
    EntryTableDialog d(table);
    QAbstractItemModel* model = d.View()->model();
    QCOMPARE(model->index(2, 0).data().toString() + model->index(2, 1).data().toString(), QString("23"));
    d.View()->setCurrentIndex(model->index(0, 2));
    QVERIFY(d.PasteText("0.5\t0.1\t0.2\n\t0.25\t0.3\n\t\t0.75\n"));
    QCOMPARE(model->index(1, 2).data().toString(), QString("0.2"));
    QCOMPARE(model->index(2, 2).data().toString(), QString("0.3"));
    QVERIFY(d.OkButton()->isEnabled());
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // A value outside the formulas' domain (n_i > N_i) marks its cell with the
  // library's advice and keeps OK enabled; "2e1" for a whole number holds it back.
  void adviceMarksACellWithoutHoldingOkBack() {
    test::ModalWatchdog watchdog;
    data::EntryTable table(EntryLoop{.tmpl = FindFormTemplate(160), .count = 1});
    EntryTableDialog d(table);
    QAbstractItemModel* model = d.View()->model();
    d.View()->setCurrentIndex(model->index(0, 1));
    QVERIFY(d.PasteText("10\t20\t5\t1\n"));
    QVERIFY(model->index(0, 2).data(Qt::ToolTipRole).toString().startsWith("n_i is larger than N_i: "));
    QCOMPARE(model->index(0, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 238, 185));
    QVERIFY(d.OkButton()->isEnabled());
    Edit(d, 0, 2, "2e1");
    QCOMPARE(model->index(0, 2).data(Qt::ToolTipRole).toString(), QString("\"2e1\" is not a whole number."));
    QVERIFY(!d.OkButton()->isEnabled());
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // A new table says how to fill it and counts no empty cell until something
  // is typed or pasted; its context menu pastes, clears and imports.
  void anEmptyTableAndItsContextMenu() {
    test::ModalWatchdog watchdog;
    data::EntryTable table(EntryLoop{.tmpl = FindFormTemplate(160), .count = 2});
    EntryTableDialog d(table);
    QAbstractItemModel* model = d.View()->model();
    QVERIFY(d.Hint()->text().contains("Ctrl+V"));
    QCOMPARE(d.Status()->text(), QString("2 rows to enter."));
    QVERIFY(model->index(0, 1).data(Qt::ToolTipRole).isNull());
    QStringList menu;
    for (QAction* a : d.View()->actions()) menu << a->text();
    QCOMPARE(menu, (QStringList{"&Paste", "C&lear", "&Import..."}));

    Edit(d, 0, 1, "600");  // 2 rows of 4 fields, one filled: 7 left
    QVERIFY2(d.Status()->text().startsWith("7 cells to put right; the first, row 1, "), qPrintable(d.Status()->text()));
    QVERIFY(!model->index(0, 2).data(Qt::ToolTipRole).isNull());

    QApplication::clipboard()->setText("600\t60\t10\t3\n400\t40\t20\t4\n");
    d.View()->setCurrentIndex(model->index(0, 1));
    d.View()->actions()[0]->trigger();
    QVERIFY(d.OkButton()->isEnabled());
    d.View()->selectionModel()->select(QItemSelection(model->index(1, 0), model->index(1, 2)),
                                       QItemSelectionModel::ClearAndSelect);
    d.View()->actions()[1]->trigger();
    QCOMPARE(model->index(1, 0).data().toString(), QString("2"));  // the row's number stays
    QCOMPARE(model->index(1, 1).data().toString(), QString());
    QCOMPARE(model->index(1, 3).data().toString(), QString("20"));
    QVERIFY(d.Status()->text().startsWith("2 cells to put right"));

    watchdog.Expect(test::CancelDialog());  // the file dialog
    d.View()->actions()[2]->trigger();
    QCOMPARE(watchdog.Pending(), 0);
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // The choice is kept: later loops ask with forms until it is undone.
  void oneFormPerRowIsRemembered() {
    Fixture f;
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(InTable([](EntryTableDialog& d) {
      d.OneFormPerRow()->setChecked(true);
      QVERIFY(d.OkButton()->isEnabled());
      d.OkButton()->click();
    }));
    f.watchdog.Expect(Answer({"600", "60", "10", "3"}));
    f.watchdog.Expect(Answer({"400", "40", "20", "4"}));
    f.doc.OnCommand(kStratifiedInterval);
    QVERIFY(AppSettings().LoadOneFormPerRow());
    f.watchdog.Expect(Answer({"1", "95%"}));
    f.watchdog.Expect(Answer({"600", "60", "10", "3"}));
    f.doc.OnCommand(kStratifiedInterval);
    QCOMPARE(Lines(f.doc).mid(2), Batch("command 32853\nok 2; 95%\n" + std::string(kTwoGroups) +
                                        "command 32853\nok 1; 95%\nok 600; 60; 10; 3\n")
                                      .mid(2));
    AppSettings().SaveOneFormPerRow(false);
  }
};

MIRTO_APP_TEST(EntryTableTest);
#include "entry_table_test.moc"
