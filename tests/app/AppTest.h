#pragma once
// The harness of the desktop tests: offscreen, a settings folder of their own,
// and a watchdog that answers the modal dialogs a test expects and fails the
// test on any other.
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

namespace mirto {
class CTervoDoc;
}

namespace mirto::test {

class ModalWatchdog : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(QWidget*)>;
  ModalWatchdog();
  ~ModalWatchdog() override;

  // The next modal dialog is given to `handler`, which must close it.
  void Expect(Handler handler);
  int Pending() const { return static_cast<int>(m_handlers.size()); }
  // Titles and texts of dialogs nobody expected (they were closed).
  const QStringList& Unexpected() const { return m_unexpected; }

 private:
  void Poll();
  QTimer m_timer;
  std::deque<Handler> m_handlers;
  QStringList m_unexpected;
  QWidget* m_current = nullptr;
};

// A test class registers itself under its name; the test program runs the one named.
using TestFactory = std::function<QObject*()>;
int RegisterTest(const char* name, TestFactory factory);

#define MIRTO_APP_TEST(Class) \
  static const int kRegistered##Class = ::mirto::test::RegisterTest(#Class, [] { return new Class; })

// Handlers for common dialogs.
ModalWatchdog::Handler AnswerMessage(QString* text, int button);  // QMessageBox::StandardButton
ModalWatchdog::Handler CancelDialog();
// Fills a form's inputs in tab order (text, or the item of a list) and presses OK.
ModalWatchdog::Handler Answer(QStringList values);
ModalWatchdog::Handler ChooseFile(const QString& path);  // a file dialog
QString MessageText(QWidget* dialog);

// The journal's lines, and those a batch run of `script` writes on a new
// journal (its messages, if `err` is given, into it).
QStringList Lines(const CTervoDoc& doc);
QStringList Batch(const std::string& script, std::string* err = nullptr);

}  // namespace mirto::test
