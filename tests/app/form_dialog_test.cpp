// The dialog that renders form templates: every template of the catalogue
// with its texts, limits and marks, the values it hands back, and its refusals.
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "AppTest.h"
#include "app/CFormDialog.h"
#include "framework/FormCatalog.h"

using namespace mirto;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QWidget* WidgetOf(const CFormDialog& d, std::size_t i) { return d.findChild<QWidget*>(QString("control%1").arg(i)); }

QPushButton* OkButton(const CFormDialog& d) { return d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok); }

// What a person types into input i: distinct per field and within its limit.
QString Sample(const Control& c, std::size_t i) {
  QString text = QString::number(10 + i) + "5";
  if (!c.digitsOnly) text.prepend("-");
  return c.maxLength > 0 ? text.left(c.maxLength) : text;
}

void CheckControl(const CFormDialog& d, const Form& form, std::size_t i) {
  const Control& c = form.ControlAt(i);
  const QString where = QString("form %1 control %2").arg(form.Template().id).arg(i);
  QWidget* w = WidgetOf(d, i);
  QVERIFY2(w, qPrintable(where));
  switch (c.kind) {
    case ControlKind::Static: QCOMPARE(qobject_cast<QLabel*>(w)->text(), Q(c.label)); break;
    case ControlKind::Group: QCOMPARE(qobject_cast<QGroupBox*>(w)->title(), Q(c.label)); break;
    case ControlKind::Text: {
      QLineEdit* edit = d.Edit(i);
      QCOMPARE(d.Label(i)->text(), Q(c.label));
      QCOMPARE(d.Label(i)->buddy(), edit);
      const int expected = c.maxLength > 0 && c.limitWhileTyping ? c.maxLength : 32767;
      QVERIFY2(edit->maxLength() == expected, qPrintable(where));
      QCOMPARE(edit->isReadOnly(), c.readOnly);
      QCOMPARE(edit->validator() != nullptr, c.digitsOnly);
      QCOMPARE(edit->text(), QString::fromStdString(form.Text(i)));
      break;
    }
    case ControlKind::List: {
      QListWidget* list = d.List(i);
      QCOMPARE(d.Label(i)->text(), Q(c.label));
      QCOMPARE(list->count(), 6);
      for (int row = 0; row < 6; ++row) QCOMPARE(list->item(row)->text(), Q(kConfidenceTable[row].text));
      QVERIFY(list->selectedItems().isEmpty());
      break;
    }
    case ControlKind::Radio: {
      QCOMPARE(qobject_cast<QGroupBox*>(w)->title(), Q(c.label));
      const auto buttons = d.Buttons(i)->buttons();
      QCOMPARE(buttons.size(), static_cast<qsizetype>(c.buttons.size()));
      for (QAbstractButton* b : buttons) {
        const int id = d.Buttons(i)->id(b);
        QCOMPARE(b->text(), Q(c.buttons[static_cast<std::size_t>(id - 1)]));
        QCOMPARE(b->isChecked(), id == form.Selection(i));
      }
      break;
    }
  }
  QVERIFY2(w->isEnabledTo(const_cast<CFormDialog*>(&d)) == form.Enabled(i), qPrintable(where));
}

// The widgets that a group frames sit inside its box.
void CheckGroups(const CFormDialog& d, const Form& form) {
  for (std::size_t i = 0; i < form.size(); ++i) {
    const Control& c = form.ControlAt(i);
    if (c.kind != ControlKind::Group) continue;
    auto* box = qobject_cast<QGroupBox*>(WidgetOf(d, i));
    for (std::size_t j = i + 1; j <= i + static_cast<std::size_t>(c.groupSize) && j < form.size(); ++j)
      QVERIFY2(box->isAncestorOf(WidgetOf(d, j)),
               qPrintable(QString("form %1 group %2").arg(form.Template().id).arg(i)));
  }
}

// Controls of the right-hand column lie right of every left-hand one.
void CheckColumns(CFormDialog& d, const Form& form) {
  int leftEdge = 0, rightStart = INT_MAX;
  for (std::size_t i = 0; i < form.size(); ++i) {
    QWidget* w = WidgetOf(d, i);
    const QRect r(w->mapTo(&d, QPoint(0, 0)), w->size());
    if (form.ControlAt(i).column == 1)
      rightStart = std::min(rightStart, r.left());
    else
      leftEdge = std::max(leftEdge, r.right());
  }
  if (rightStart != INT_MAX) QVERIFY2(rightStart > leftEdge, qPrintable(QString::number(form.Template().id)));
}

void ChooseSecond(Form& f, std::size_t i) {
  if (i != 0) return;
  const bool second = f.Selection(0) == 2;
  f.SetButtonEnabled(1, 2, !second);
  if (second) f.SetSelection(1, 1);
  f.SetEnabled(2, !second);
}

const FormTemplate kRulesForm{
    9001, "Test rules", {Field("Free:", 5).WithoutTypingLimit(), LevelList("Level:"), Digits("Count:", 4).Right()}};
const FormTemplate kChoiceForm{9002,
                               "Test choices",
                               {Radio("First:", {"A", "B"}, 1), Radio("Second:", {"C", "D", "E"}, 2),
                                Field("Depends:", 10), Group("Frame", 1), Field("Framed:", 10)},
                               ChooseSecond};

}  // namespace

class FormDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void everyTemplateRendersItsControls_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("model");
    for (const FormTemplate* t : AllFormTemplates()) {
      QTest::addRow("%d cluster, model A", t->id) << t->id << 3 << 1;
      QTest::addRow("%d two-stage, model C", t->id) << t->id << 4 << 3;
    }
    QTest::addRow("rules") << 9001 << 0 << 0;
    QTest::addRow("choices") << 9002 << 0 << 0;
  }
  void everyTemplateRendersItsControls() {
    QFETCH(int, id);
    QFETCH(int, method);
    QFETCH(int, model);
    const FormTemplate* t = id == 9001 ? &kRulesForm : id == 9002 ? &kChoiceForm : FindFormTemplate(id);
    QVERIFY(t);
    Form form(*t, {static_cast<Method>(method), static_cast<PredictionModel>(model)});
    form.SetRowNumber(7);
    CFormDialog d(form);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.windowTitle(), Q(t->title));
    for (std::size_t i = 0; i < form.size(); ++i) CheckControl(d, form, i);
    CheckGroups(d, form);
    CheckColumns(d, form);
    QVERIFY(OkButton(d)->isDefault());
  }

  // What is typed, selected and clicked comes back in the Form on OK.
  void everyTemplateRoundTripsItsValues_data() { everyTemplateRendersItsControls_data(); }
  void everyTemplateRoundTripsItsValues() {
    QFETCH(int, id);
    QFETCH(int, method);
    QFETCH(int, model);
    const FormTemplate* t = id == 9001 ? &kRulesForm : id == 9002 ? &kChoiceForm : FindFormTemplate(id);
    Form form(*t, {static_cast<Method>(method), static_cast<PredictionModel>(model)});
    form.SetRowNumber(7);
    const Form opened = form;
    CFormDialog d(form);
    d.show();
    std::vector<std::pair<std::size_t, QString>> typed;
    std::vector<std::pair<std::size_t, int>> chosen;
    for (std::size_t i : opened.Inputs()) {
      if (opened.ControlAt(i).kind != ControlKind::Radio) continue;
      const int last = static_cast<int>(opened.ControlAt(i).buttons.size());
      QAbstractButton* button = d.Buttons(i)->button(last);
      if (!button->isEnabled()) continue;
      button->click();
      QCOMPARE(form.Selection(i), last);
    }
    const Form afterChoices = form;
    for (std::size_t i : afterChoices.Inputs()) {
      const Control& c = afterChoices.ControlAt(i);
      if (c.kind == ControlKind::Text) {
        typed.emplace_back(i, Sample(c, i));
        QTest::keyClicks(d.Edit(i), typed.back().second);
      } else if (c.kind == ControlKind::List) {
        chosen.emplace_back(i, static_cast<int>(i % 6));
        d.List(i)->item(chosen.back().second)->setSelected(true);
      }
    }
    OkButton(d)->click();
    QCOMPARE(d.result(), static_cast<int>(QDialog::Accepted));
    for (auto& [i, text] : typed) QCOMPARE(QString::fromStdString(form.Text(i)), text);
    for (auto& [i, row] : chosen) QCOMPARE(form.Selection(i), row);
    for (std::size_t i = 0; i < form.size(); ++i) {
      const Control& c = form.ControlAt(i);
      if (c.kind == ControlKind::Text && c.readOnly) QCOMPARE(form.Text(i), opened.Text(i));
      if (c.kind == ControlKind::Radio) QCOMPARE(form.Selection(i), afterChoices.Selection(i));
    }
  }

  void digitsOnlyFieldsTakeNoSign() {
    Form form(kRulesForm);
    CFormDialog d(form);
    d.show();
    QTest::keyClicks(d.Edit(2), "-5x12");
    QCOMPARE(d.Edit(2)->text(), QString("512"));
    QTest::keyClicks(d.Edit(0), "-5");
    QCOMPARE(d.Edit(0)->text(), QString("-5"));
  }

  // An over-long text and a missing level are refused at OK; the form stays
  // open with what was typed, and a corrected form goes through.
  void refusalsKeepTheFormOpen() {
    test::ModalWatchdog watchdog;
    Form form(kRulesForm);
    CFormDialog d(form);
    d.show();
    QTest::keyClicks(d.Edit(0), "123456789");
    QCOMPARE(d.Edit(0)->text(), QString("123456789"));  // no limit while typing
    QString refusal;
    watchdog.Expect(test::AnswerMessage(&refusal, QMessageBox::Ok));
    OkButton(d)->click();
    QCOMPARE(refusal, QString("Please enter no more than 5 characters."));
    QVERIFY(d.isVisible());
    QCOMPARE(form.Text(0), std::string());  // nothing copied back on a refusal

    d.Edit(0)->setText("12345");
    watchdog.Expect(test::AnswerMessage(&refusal, QMessageBox::Ok));
    OkButton(d)->click();
    QCOMPARE(refusal, QString("Select a confidence level."));
    QVERIFY(d.isVisible());

    d.List(1)->item(3)->setSelected(true);
    OkButton(d)->click();
    QCOMPARE(d.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(form.Text(0), std::string("12345"));
    QCOMPARE(form.Selection(1), 3);
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // Text that is not wholly a number is refused at OK: a message naming the
  // field, the field marked with it and focused, and the form kept open.
  void textThatIsNotANumberIsRefusedAndMarked() {
    test::ModalWatchdog watchdog;
    Form form(*FindFormTemplate(182));  // N, n: whole numbers
    CFormDialog d(form);
    d.show();
    QTest::keyClicks(d.Edit(1), "1000");
    QTest::keyClicks(d.Edit(2), "2e1");
    QCOMPARE(d.Mark(2), QString());  // not while typing
    QString refusal;
    watchdog.Expect(test::AnswerMessage(&refusal, QMessageBox::Ok));
    OkButton(d)->click();
    QCOMPARE(refusal, QString("In \"Sample size, n:\", \"2e1\" is not a whole number."));
    QVERIFY(d.isVisible());
    QCOMPARE(form.Text(2), std::string());
    QCOMPARE(d.Mark(2), QString("refused"));
    QCOMPARE(d.Edit(2)->toolTip(), refusal);
    QCOMPARE(d.Mark(1), QString());
    QCOMPARE(d.focusWidget(), static_cast<QWidget*>(d.Edit(2)));
    d.Edit(2)->setText("20");
    QCOMPARE(d.Mark(2), QString());
    OkButton(d)->click();
    QCOMPARE(d.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(form.Text(2), std::string("20"));
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // A value outside the formulas' domain marks its field while typing, with
  // the library's advice as its tooltip, and OK still takes it.
  void adviceMarksAFieldWithoutBlocking() {
    test::ModalWatchdog watchdog;
    Form form(*FindFormTemplate(138));  // N, n, P, level
    CFormDialog d(form);
    d.show();
    QTest::keyClicks(d.Edit(1), "100");
    QTest::keyClicks(d.Edit(2), "200");
    QCOMPARE(d.Mark(2), QString("advice"));
    QVERIFY(d.Edit(2)->toolTip().startsWith("n is larger than N: "));
    QTest::keyClicks(d.Edit(3), "0.5");
    QCOMPARE(d.Mark(3), QString());
    d.Edit(1)->setText("300");  // the other field of the relation
    QCOMPARE(d.Mark(2), QString());
    QCOMPARE(d.Edit(2)->toolTip(), QString());
    d.Edit(1)->setText("100");
    d.List(4)->item(1)->setSelected(true);
    OkButton(d)->click();
    QCOMPARE(d.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(form.Text(2), std::string("200"));
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  // A choice may change other controls; the dialog shows what the Form says.
  void choicesRefreshTheOtherControls() {
    Form form(kChoiceForm);
    CFormDialog d(form);
    d.show();
    auto* second = d.findChild<QRadioButton*>("control1_2");
    QVERIFY(second->isChecked());
    d.findChild<QRadioButton*>("control0_2")->click();
    QCOMPARE(form.Selection(0), 2);
    QVERIFY(!second->isEnabled());
    QVERIFY(d.findChild<QRadioButton*>("control1_1")->isChecked());
    QVERIFY(!d.Edit(2)->isEnabled());
    d.findChild<QRadioButton*>("control0_1")->click();
    QVERIFY(second->isEnabled());
    QVERIFY(d.Edit(2)->isEnabled());
    d.findChild<QRadioButton*>("control1_3")->click();
    QCOMPARE(form.Selection(1), 3);
  }

  // Nothing selected looks empty; the first Down or Home takes 99%, and
  // Space or Enter selects the item the keys moved to.
  void confidenceListsStartWithTheFirstLevel() {
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Home}) {
      Form form(kRulesForm);
      CFormDialog d(form);
      d.show();
      QVERIFY(QTest::qWaitForWindowActive(&d));
      QListWidget* list = d.List(1);
      list->setFocus(Qt::TabFocusReason);
      QVERIFY(list->hasFocus());
      QVERIFY(!list->currentIndex().isValid());
      QTest::keyClick(list, key);
      QCOMPARE(list->selectedItems().value(0), list->item(0));
    }
    test::ModalWatchdog watchdog;
    Form form(kRulesForm);
    CFormDialog d(form);
    d.show();
    QListWidget* list = d.List(1);
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->selectedItems().value(0), list->item(1));
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
      QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);  // deselects
      QVERIFY(list->selectedItems().isEmpty());
      QTest::keyClick(list, key);
      QCOMPARE(list->selectedItems().value(0), list->item(1));
      QVERIFY(d.isVisible());
    }
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  void escapeCancelsAndEnterConfirms() {
    Form form(*FindFormTemplate(133));
    {
      CFormDialog d(form);
      d.show();
      QTest::keyClicks(d.Edit(1), "1000");
      QTest::keyClick(d.Edit(1), Qt::Key_Escape);
      QCOMPARE(d.result(), static_cast<int>(QDialog::Rejected));
      QCOMPARE(form.Text(1), std::string());
    }
    CFormDialog d(form);
    d.show();
    QTest::keyClicks(d.Edit(1), "1000");
    QTest::keyClick(d.Edit(1), Qt::Key_Return);
    QCOMPARE(d.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(form.Text(1), std::string("1000"));
  }
};

MIRTO_APP_TEST(FormDialogTest);
#include "form_dialog_test.moc"
