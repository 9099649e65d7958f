// Reports and number reading do not depend on the user's locale.
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <clocale>
#include <sstream>

#include "AppTest.h"
#include "app/CFormDialog.h"
#include "app/CTervoApp.h"
#include "app/QtFormHost.h"
#include "batch/Batch.h"
#include "journal/CTervoDoc.h"

using namespace mirto;

namespace {

constexpr char kGerman[] = "de_DE.UTF-8";

// Simple random sampling, interval for a mean at 95%: N 1000, n 100, mean 50.5, s 10.25.
const QStringList kExpected = {
    "*********",
    "Target: Mean and total of variable",
    "Method: Simple random sampling",
    "Objective: Confidence interval estimates",
    "Estimator: Simple",
    "Population size, N= 1000",
    "Sample size, n= 100",
    "Point estimate of population mean: 50.500000",
    "Point estimate of population total: 50500.000000",
    "Est. std. deviation of sample mean: 0.977299",
    "Approx. 0.95 confidence interval for population mean is from 48.584494 to 52.415506",
    "Approx. 0.95 confidence interval for population total is from 48584.493658 to 52415.506342",
};

QStringList Appended(const CTervoDoc& doc, std::size_t from) {
  QStringList lines;
  for (std::size_t i = from; i < doc.GetJournal().size(); ++i) lines << QString::fromLatin1(doc.GetJournal()[i]);
  return lines;
}

QStringList RunBatch() {
  std::istringstream in("command 32810\nok 1000; 100; 50.5; 10.25; 95%\n");
  std::ostringstream err;
  ScriptSource source(in, "locale");
  BatchHost host(source, err);
  CTervoDoc doc(host);
  doc.OnNewDocument();
  RunScript(doc, source, host);
  return Appended(doc, 2);
}

QStringList RunThroughDialogs() {
  test::ModalWatchdog watchdog;
  watchdog.Expect([](QWidget* w) {
    auto* form = qobject_cast<CFormDialog*>(w);
    QVERIFY(form);
    const char* values[] = {"1000", "100", "50.5", "10.25"};
    for (std::size_t i = 0; i < 4; ++i) form->Edit(i + 1)->setText(values[i]);
    form->List(5)->item(1)->setSelected(true);
    form->accept();
  });
  QtFormHost host;
  CTervoDoc doc(host);
  doc.OnNewDocument();
  doc.OnCommand(32810);
  return Appended(doc, 2);
}

// Puts the whole process under a locale for one test.
class LocaleScope {
 public:
  explicit LocaleScope(const char* name) : m_ok(std::setlocale(LC_ALL, name) != nullptr) {}
  ~LocaleScope() { std::setlocale(LC_ALL, "C"); }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
  bool ok() const { return m_ok; }

 private:
  bool m_ok;
};

}  // namespace

class LocaleTest : public QObject {
  Q_OBJECT
 private slots:
  void reportIsTheSameUnderGermanAndC() {
    QStringList batch;
    {
      LocaleScope c("C");
      batch = RunBatch();
    }
    QCOMPARE(batch, kExpected);
    LocaleScope german(kGerman);
    QVERIFY2(german.ok(), "the de_DE.UTF-8 locale is missing: run scripts/deps");
    QCOMPARE(QString(std::localeconv()->decimal_point), QString(","));
    QCOMPARE(RunThroughDialogs(), kExpected);
    QCOMPARE(RunBatch(), kExpected);
  }

  void theProgramReadsNumbersInTheCLocale() {
    LocaleScope german(kGerman);
    QVERIFY2(german.ok(), "the de_DE.UTF-8 locale is missing: run scripts/deps");
    UseCNumericLocale();
    QCOMPARE(QString(std::localeconv()->decimal_point), QString("."));
    QVERIFY(QString(std::setlocale(LC_CTYPE, nullptr)).startsWith("de_DE"));
    QCOMPARE(std::strtod("2.5", nullptr), 2.5);
  }
};

MIRTO_APP_TEST(LocaleTest);
#include "locale_test.moc"
