#include "AppTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>
#include <sstream>

#include "app/CFormDialog.h"
#include "batch/Batch.h"
#include "journal/CTervoDoc.h"

namespace mirto::test {

ModalWatchdog::ModalWatchdog() {
  connect(&m_timer, &QTimer::timeout, this, &ModalWatchdog::Poll);
  m_timer.start(10);
}

ModalWatchdog::~ModalWatchdog() = default;

void ModalWatchdog::Expect(Handler handler) { m_handlers.push_back(std::move(handler)); }

void ModalWatchdog::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == m_current || !modal->isVisible()) return;
  QWidget* outer = m_current;
  m_current = modal;
  if (m_handlers.empty()) {
    m_unexpected << modal->windowTitle() + ": " + MessageText(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  } else {
    Handler handler = std::move(m_handlers.front());
    m_handlers.pop_front();
    handler(modal);
  }
  m_current = outer;
}

ModalWatchdog::Handler Answer(QStringList values) {
  return [values](QWidget* w) {
    auto* form = qobject_cast<CFormDialog*>(w);
    QVERIFY2(form, qPrintable(w->objectName()));
    int k = 0;
    for (std::size_t i : form->Shown().Inputs()) {
      if (QLineEdit* edit = form->Edit(i)) edit->setText(values.value(k++));
      if (QListWidget* list = form->List(i))
        list->findItems(values.value(k++), Qt::MatchExactly).value(0)->setSelected(true);
    }
    form->accept();
  };
}

QString MessageText(QWidget* dialog) {
  auto* box = qobject_cast<QMessageBox*>(dialog);
  return box ? box->text() : QString();
}

ModalWatchdog::Handler AnswerMessage(QString* text, int button) {
  return [text, button](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) {
      if (text) *text = QString("not a message box: ") + w->metaObject()->className();
      qobject_cast<QDialog*>(w)->reject();
      return;
    }
    if (text) *text = box->text();
    QAbstractButton* b = box->button(static_cast<QMessageBox::StandardButton>(button));
    if (b)
      b->click();
    else
      box->reject();
  };
}

ModalWatchdog::Handler CancelDialog() {
  return [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); };
}

ModalWatchdog::Handler ChooseFile(const QString& path) {
  return [path](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    if (!dialog) {
      qobject_cast<QDialog*>(w)->reject();
      return;
    }
    // selectFile() ignores a file that does not exist yet: type its name instead.
    dialog->setDirectory(QFileInfo(path).absolutePath());
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->setText(QFileInfo(path).fileName());
    static_cast<QDialog*>(dialog)->accept();  // protected in QFileDialog
  };
}

namespace {

QMap<QString, TestFactory>& Registry() {
  static QMap<QString, TestFactory> registry;
  return registry;
}

}  // namespace

int RegisterTest(const char* name, TestFactory factory) {
  Registry().insert(name, std::move(factory));
  return 0;
}

QStringList Lines(const CTervoDoc& doc) {
  QStringList lines;
  for (std::size_t i = 0; i < doc.GetJournal().size(); ++i) lines << QString::fromLatin1(doc.GetJournal()[i]);
  return lines;
}

QStringList Batch(const std::string& script, std::string* err) {
  std::istringstream in(script);
  std::ostringstream messages;
  ScriptSource source(in, "test");
  BatchHost host(source, messages);
  CTervoDoc doc(host);
  doc.OnNewDocument();
  RunScript(doc, source, host);
  if (err) *err = messages.str();
  return Lines(doc);
}

}  // namespace mirto::test

// Usage: mirto_app_tests CLASS [QtTest arguments]
int main(int argc, char** argv) {
  // Offscreen unless a real display is asked for (under_xvfb.sh).
  if (qEnvironmentVariable("QT_QPA_PLATFORM") != "xcb") qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
  QApplication app(argc, argv);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

  auto& registry = mirto::test::Registry();
  if (argc < 2 || !registry.contains(argv[1])) {
    std::fprintf(stderr, "usage: %s CLASS\nclasses:", argv[0]);
    for (const QString& name : registry.keys()) std::fprintf(stderr, " %s", qPrintable(name));
    std::fprintf(stderr, "\n");
    return 2;
  }
  std::unique_ptr<QObject> test(registry.value(argv[1])());
  QStringList args;
  args << argv[0];
  for (int i = 2; i < argc; ++i) args << argv[i];
  return QTest::qExec(test.get(), args);
}
